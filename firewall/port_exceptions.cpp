// The firewall's port exceptions: the globally open ports of the current profile.
#include "firewall/firewall_access.h"

#include <cstdio>

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

NET_FW_IP_PROTOCOL AsProtocol(int protocol) {
    return static_cast<NET_FW_IP_PROTOCOL>(protocol);
}

struct PortRow {
    char name[256];
    char portText[16];
    const char* protocolText;
    int enabled;
};

// Reads one listed element into a page row. An element that cannot be read in full is left out.
bool ReadPortRow(const VARIANT& element, PortRow& row) {
    ComPtr<INetFwOpenPort> item;
    if (!ElementAs(element, IID_INetFwOpenPort, item)) {
        return false;
    }
    {
        ComString name;
        if (FAILED(item->get_Name(name.Receive()))) {
            return false;
        }
        ConvertToAnsi(name.Get(), row.name, sizeof row.name);
    }
    LONG port = 0;
    NET_FW_IP_PROTOCOL protocol = NET_FW_IP_PROTOCOL_TCP;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (FAILED(item->get_Port(&port)) || FAILED(item->get_Protocol(&protocol)) ||
        FAILED(item->get_Enabled(&enabled))) {
        return false;
    }
    std::snprintf(row.portText, sizeof row.portText, "%d ", static_cast<int>(port));
    row.protocolText = protocol == NET_FW_IP_PROTOCOL_TCP ? "TCP" : "UDP";
    row.enabled = enabled == VARIANT_TRUE ? 1 : 0;
    return true;
}

ComPtr<INetFwOpenPorts> RequirePorts(INetFwProfile* profile) {
    ComPtr<INetFwOpenPorts> ports;
    Require(profile->get_GloballyOpenPorts(ports.Receive()), ports, FW_ERROR_GET_PORTS);
    return ports;
}

// The first steps of a query and of a switch: the profile, the open ports, the exception for the
// pair. Empty when there is no exception for the pair.
ComPtr<INetFwOpenPort> LookUpPort(INetFwProfile* profile, int port, int protocol) {
    if (profile == nullptr) {
        Fail(FW_ERROR_PROFILE_STATE);
    }
    ComPtr<INetFwOpenPorts> ports = RequirePorts(profile);
    ComPtr<INetFwOpenPort> item;
    if (FAILED(ports->Item(port, AsProtocol(protocol), item.Receive()))) {
        item.Reset();
    }
    return item;
}

// The steps of a query: whether an exception for the pair exists, and whether it is enabled.
struct PortState {
    bool exists = false;
    bool enabled = false;
};
PortState QueryPort(INetFwProfile* profile, int port, int protocol) {
    PortState state;
    ComPtr<INetFwOpenPort> item = LookUpPort(profile, port, protocol);
    if (!item) {
        return state; // no exception for this pair
    }
    state.exists = true;
    VARIANT_BOOL value = VARIANT_FALSE;
    Require(item->get_Enabled(&value), FW_ERROR_READ_PORT_ENABLED);
    state.enabled = value == VARIANT_TRUE;
    return state;
}

} // namespace

FW_ERROR_CODE FirewallAccess::QueryPortException(int port, int protocol, int& enabled) {
    enabled = 0;
    return Run(lastCause_, [&] {
        if (QueryPort(profile_.Get(), port, protocol).enabled) {
            enabled = 1;
        }
    });
}

FW_ERROR_CODE FirewallAccess::AddPortException(int port, int protocol, const OLECHAR* name) {
    return Run(lastCause_, [&] {
        if (!profile_) {
            Fail(FW_ERROR_PROFILE_STATE);
        }
        int enabled = 0;
        const FW_ERROR_CODE query = QueryPortException(port, protocol, enabled);
        if (query != FW_ERROR_NONE) {
            Fail(query, lastCause_);
        }
        if (enabled == 1) {
            return; // an enabled exception keeps its name
        }
        ComPtr<INetFwOpenPorts> ports = RequirePorts(profile_.Get());
        ComPtr<INetFwOpenPort> item;
        Require(creator_.CreateInstance(CLSID_NetFwOpenPort, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_INetFwOpenPort, item.ReceiveVoid()),
                item, FW_ERROR_CREATE_PORT);
        Require(item->put_Port(port), FW_ERROR_SET_PORT);
        Require(item->put_Protocol(AsProtocol(protocol)), FW_ERROR_SET_PROTOCOL);
        ComString comName(name);
        if (comName.Length() == 0) {
            Fail(FW_ERROR_EMPTY_STRING);
        }
        Require(item->put_Name(comName.Get()), FW_ERROR_SET_NAME);
        Require(ports->Add(item.Get()), FW_ERROR_COLLECTION_ADD);
    });
}

FW_ERROR_CODE FirewallAccess::RemovePortException(int port, int protocol) {
    return Run(lastCause_, [&] {
        if (!profile_) {
            Fail(FW_ERROR_PROFILE_STATE);
        }
        // Switched on or off, the exception goes; a missing one is left as it is, and the query
        // that found it missing is the only call made.
        if (!QueryPort(profile_.Get(), port, protocol).exists) {
            return;
        }
        ComPtr<INetFwOpenPorts> ports = RequirePorts(profile_.Get());
        Require(ports->Remove(port, AsProtocol(protocol)), FW_ERROR_COLLECTION_REMOVE);
    });
}

FW_ERROR_CODE FirewallAccess::TogglePortException(int port, int protocol, int ticked) {
    return Run(lastCause_, [&] {
        ComPtr<INetFwOpenPort> item = LookUpPort(profile_.Get(), port, protocol);
        if (!item) {
            return;
        }
        // The box was ticked before the click, so the click switches the exception off. A refused
        // write is reported, so the page can show the exception as it still is.
        Require(item->put_Enabled(ticked == 1 ? VARIANT_FALSE : VARIANT_TRUE), FW_ERROR_WRITE_PORT_ENABLED);
    });
}

void FirewallAccess::ListPortExceptions() {
    if (!profile_) {
        return;
    }
    ComPtr<INetFwOpenPorts> ports;
    if (FAILED(profile_->get_GloballyOpenPorts(ports.Receive())) || !ports) {
        return;
    }
    ForEachElement(ports.Get(), [&](const VARIANT& element) {
        PortRow row;
        if (ReadPortRow(element, row)) {
            host_.AddPortRow(row.name, row.protocolText, row.portText, row.enabled);
        }
    });
}
