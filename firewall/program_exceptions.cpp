// The firewall's program exceptions: the authorised applications of the current profile.
#include "firewall/firewall_access.h"

#include "firewall/ansi_text.h"
#include "firewall/fw_enumeration.h"
#include "firewall/fw_steps.h"
#include "platform/com_string.h"

using fw_enumeration::ElementAs;
using fw_enumeration::ForEachElement;
using fw_steps::Fail;
using fw_steps::Require;
using fw_steps::Run;

namespace {

struct ProgramRow {
    char name[256];
    char path[256];
    int enabled;
    ComString firewallPath;
};

// Reads one listed element into a page row. An element that cannot be read in full is left out.
bool ReadProgramRow(const VARIANT& element, ProgramRow& row) {
    ComPtr<INetFwAuthorizedApplication> item;
    if (!ElementAs(element, IID_INetFwAuthorizedApplication, item)) {
        return false;
    }
    ComString name;
    if (FAILED(item->get_Name(name.Receive()))) {
        return false;
    }
    ConvertToAnsi(name.Get(), row.name, sizeof row.name);
    ComString& path = row.firewallPath;
    if (FAILED(item->get_ProcessImageFileName(path.Receive()))) {
        return false;
    }
    ConvertToAnsi(path.Get(), row.path, sizeof row.path);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (FAILED(item->get_Enabled(&enabled))) {
        return false;
    }
    row.enabled = enabled == VARIANT_TRUE ? 1 : 0;
    return true;
}

ComPtr<INetFwAuthorizedApplications> RequirePrograms(INetFwProfile* profile) {
    ComPtr<INetFwAuthorizedApplications> programs;
    Require(profile->get_AuthorizedApplications(programs.Receive()), programs, FW_ERROR_GET_PROGRAMS);
    return programs;
}

// The text as a COM string; an empty text (or a failed copy) is an error.
ComString RequireText(const OLECHAR* text) {
    ComString copy(text);
    if (copy.Length() == 0) {
        Fail(FW_ERROR_EMPTY_STRING);
    }
    return copy;
}

// The first steps of a query and of a switch: the profile, the path, the collection, the exception
// for the path. Empty when there is no exception for the path.
ComPtr<INetFwAuthorizedApplication> LookUpProgram(INetFwProfile* profile, const OLECHAR* path) {
    if (profile == nullptr) {
        Fail(FW_ERROR_PROFILE_STATE);
    }
    if (path == nullptr) {
        Fail(FW_ERROR_NULL_ARGUMENT);
    }
    ComPtr<INetFwAuthorizedApplications> programs = RequirePrograms(profile);
    ComString comPath = RequireText(path);
    ComPtr<INetFwAuthorizedApplication> item;
    if (FAILED(programs->Item(comPath.Get(), item.Receive()))) {
        item.Reset();
    }
    return item;
}

// The steps of a query: whether an exception for the path exists, and whether it is enabled.
struct ProgramState {
    bool exists = false;
    bool enabled = false;
};
ProgramState QueryProgram(INetFwProfile* profile, const OLECHAR* path) {
    ProgramState state;
    ComPtr<INetFwAuthorizedApplication> item = LookUpProgram(profile, path);
    if (!item) {
        return state; // no exception for this path
    }
    state.exists = true;
    VARIANT_BOOL value = VARIANT_FALSE;
    Require(item->get_Enabled(&value), FW_ERROR_PROGRAM_ENABLED);
    state.enabled = value == VARIANT_TRUE;
    return state;
}

} // namespace

FW_ERROR_CODE FirewallAccess::QueryProgramException(const OLECHAR* path, int& enabled) {
    enabled = 0;
    return Run(lastCause_, [&] {
        if (QueryProgram(profile_.Get(), path).enabled) {
            enabled = 1;
        }
    });
}

FW_ERROR_CODE FirewallAccess::AddProgramException(const OLECHAR* path, const OLECHAR* name) {
    return Run(lastCause_, [&] {
        if (!profile_) {
            Fail(FW_ERROR_PROFILE_STATE);
        }
        if (path == nullptr || name == nullptr) {
            Fail(FW_ERROR_NULL_ARGUMENT);
        }
        int enabled = 0;
        const FW_ERROR_CODE query = QueryProgramException(path, enabled);
        if (query != FW_ERROR_NONE) {
            Fail(query, lastCause_);
        }
        if (enabled == 1) {
            return; // an enabled exception keeps its name
        }
        ComPtr<INetFwAuthorizedApplications> programs = RequirePrograms(profile_.Get());
        ComPtr<INetFwAuthorizedApplication> item;
        Require(creator_.CreateInstance(CLSID_NetFwAuthorizedApplication, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_INetFwAuthorizedApplication, item.ReceiveVoid()),
                item, FW_ERROR_CREATE_PROGRAM);
        ComString comPath = RequireText(path);
        Require(item->put_ProcessImageFileName(comPath.Get()), FW_ERROR_SET_PROGRAM_PATH);
        ComString comName = RequireText(name);
        Require(item->put_Name(comName.Get()), FW_ERROR_SET_NAME);
        Require(programs->Add(item.Get()), FW_ERROR_COLLECTION_ADD);
    });
}

FW_ERROR_CODE FirewallAccess::RemoveProgramException(const OLECHAR* path) {
    return Run(lastCause_, [&] {
        if (!profile_) {
            Fail(FW_ERROR_PROFILE_STATE);
        }
        if (path == nullptr) {
            Fail(FW_ERROR_NULL_ARGUMENT);
        }
        // Switched on or off, the exception goes; a missing one is left as it is, and the query
        // that found it missing is the only call made.
        if (!QueryProgram(profile_.Get(), path).exists) {
            return;
        }
        ComPtr<INetFwAuthorizedApplications> programs = RequirePrograms(profile_.Get());
        ComString comPath = RequireText(path);
        Require(programs->Remove(comPath.Get()), FW_ERROR_COLLECTION_REMOVE);
    });
}

FW_ERROR_CODE FirewallAccess::ToggleProgramException(const OLECHAR* path, int ticked) {
    return Run(lastCause_, [&] {
        ComPtr<INetFwAuthorizedApplication> item = LookUpProgram(profile_.Get(), path);
        if (!item) {
            return;
        }
        // The box was ticked before the click, so the click switches the exception off.
        Require(item->put_Enabled(ticked == 1 ? VARIANT_FALSE : VARIANT_TRUE), FW_ERROR_PROGRAM_ENABLED);
    });
}

void FirewallAccess::ListProgramExceptions() {
    if (!profile_) {
        return;
    }
    ComPtr<INetFwAuthorizedApplications> programs;
    if (FAILED(profile_->get_AuthorizedApplications(programs.Receive())) || !programs) {
        return;
    }
    ForEachElement(programs.Get(), [&](const VARIANT& element) {
        ProgramRow row;
        if (ReadProgramRow(element, row)) {
            host_.AddProgramRow(row.name, row.path, row.enabled, row.firewallPath.Get());
        }
    });
}
