// A TraySystem that writes every call into a log and answers from scripted values.
#pragma once

#include "tray/tray_system.h"

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace palisor::tray::testing {

inline WindowRef Win(std::uintptr_t n) {
    return reinterpret_cast<WindowRef>(n);
}
inline MenuRef Menu(std::uintptr_t n) {
    return reinterpret_cast<MenuRef>(n);
}

inline std::string Str(const TrayRect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%d,%d,%d,%d)", r.left, r.top, r.right, r.bottom);
    return text;
}

inline std::string Str(WindowRef w) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(w));
}

class FakeTraySystem : public TraySystem {
public:
    struct Child {
        std::string className;
        TrayRect rect;
    };

    // Scripted answers.
    unsigned majorVersion = 5;
    std::deque<bool> addResults; // consumed one per add; empty means success
    std::deque<bool> deleteResults;
    MenuRef menuResource = Menu(0x100);
    MenuRef subMenu = Menu(0x101);
    std::uint32_t itemIdAtPosition = 0;
    TrayPoint cursor{640, 700};
    WindowRef threadMainWindow = Win(0x10);
    bool animation = true;
    WindowRef hiddenOwnerToCreate = Win(0x77);
    TrayRect windowRect{100, 100, 500, 400};
    WindowRef shellTray = nullptr;
    TrayRect shellTrayRect;
    std::vector<Child> children;
    bool taskbarAnswers = false;
    TaskbarEdge taskbarEdge = TaskbarEdge::Bottom;
    TrayRect taskbarRect;
    TrayRect workArea{0, 0, 1024, 738};

    // What happened.
    std::vector<std::string> log;
    std::vector<TrayIconRecord> added;
    std::vector<TrayIconRecord> deleted;
    std::vector<std::string> visitedClasses;

    unsigned MajorVersion() override { return majorVersion; }
    bool AddIcon(const TrayIconRecord& record) override {
        added.push_back(record);
        log.push_back("add");
        return Next(addResults);
    }
    bool DeleteIcon(const TrayIconRecord& record) override {
        deleted.push_back(record);
        log.push_back("delete");
        return Next(deleteResults);
    }
    MenuRef LoadMenuResource(std::uint32_t id) override {
        log.push_back("load " + std::to_string(id));
        return menuResource;
    }
    MenuRef SubMenu(MenuRef, int position) override {
        log.push_back("sub " + std::to_string(position));
        return subMenu;
    }
    void SetMenuDefault(MenuRef, std::uint32_t item, bool byPosition) override {
        log.push_back("default " + std::to_string(item) + (byPosition ? " pos" : " cmd"));
    }
    std::uint32_t MenuItemId(MenuRef, int position) override {
        log.push_back("item " + std::to_string(position));
        return itemIdAtPosition;
    }
    void DestroyMenu(MenuRef menu) override { log.push_back("destroy " + Str(menu)); }
    TrayPoint CursorPos() override { return cursor; }
    void TrackPopupMenu(MenuRef menu, TrayPoint at, WindowRef owner) override {
        log.push_back("track " + Str(menu) + " at " + std::to_string(at.x) + "," + std::to_string(at.y) +
                      " owner " + Str(owner));
    }
    void PostMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override {
        log.push_back("post " + Str(window) + " " + std::to_string(message) + " " + std::to_string(wParam) +
                      " " + std::to_string(lParam));
    }
    WindowRef ThreadMainWindow() override { return threadMainWindow; }
    bool WindowRect(WindowRef window, TrayRect& rect) override {
        rect = window == shellTray && shellTray ? shellTrayRect : windowRect;
        return true;
    }
    void DrawAnimatedRects(WindowRef window, const TrayRect& from, const TrayRect& to) override {
        log.push_back("zoom " + Str(window) + " " + Str(from) + "->" + Str(to));
    }
    bool MinimizeAnimationEnabled() override { return animation; }
    WindowRef CreateHiddenOwner() override {
        log.push_back("create owner");
        return hiddenOwnerToCreate;
    }
    void SetParent(WindowRef window, WindowRef parent) override {
        log.push_back("parent " + Str(window) + " " + Str(parent));
    }
    void SetVisibleStyle(WindowRef window, bool visible) override {
        log.push_back(std::string(visible ? "visible " : "invisible ") + Str(window));
    }
    void RedrawAll(WindowRef window) override { log.push_back("redraw " + Str(window)); }
    void SetActiveWindow(WindowRef window) override { log.push_back("activate " + Str(window)); }
    void SetForegroundWindow(WindowRef window) override { log.push_back("foreground " + Str(window)); }
    WindowRef FindShellTrayWindow() override { return shellTray; }
    void EnumDescendants(WindowRef,
                         const std::function<bool(const std::string&, const TrayRect&)>& visit) override {
        for (const Child& child : children) {
            visitedClasses.push_back(child.className);
            if (!visit(child.className, child.rect)) {
                break;
            }
        }
    }
    bool TaskbarPosition(TaskbarEdge& edge, TrayRect& rect) override {
        edge = taskbarEdge;
        rect = taskbarRect;
        return taskbarAnswers;
    }
    TrayRect WorkArea() override { return workArea; }

    int Count(const std::string& entry) const {
        int n = 0;
        for (const std::string& line : log) {
            n += line == entry;
        }
        return n;
    }

private:
    static bool Next(std::deque<bool>& results) {
        if (results.empty()) {
            return true;
        }
        bool result = results.front();
        results.pop_front();
        return result;
    }
};

} // namespace palisor::tray::testing
