// Reads an extended dialog template (DLGTEMPLATEEX) from the module's resources into plain
// values, so tests can compare a template with what the program expects of it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TemplateControl {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, width = 0, height = 0;
    int id = 0;            // sign-extended, so IDC_STATIC reads as -1
    std::string className; // predefined classes by their names ("Button", "Static", ...)
    std::string text;      // empty when the title is an ordinal
    int textOrdinal = -1;  // a resource number given as the title (picture and icon statics)
};

struct DialogTemplateInfo {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string fontName;
    std::vector<TemplateControl> controls;
};

// False with a reason when the resource is missing, not an extended template, or cut short.
bool ReadDialogTemplate(HMODULE module, int id, DialogTemplateInfo& out, std::string& error);
