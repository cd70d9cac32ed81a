// Creation of the stand-in firewall's objects. Each function hands out one reference.
#pragma once

#include <memory>

#include "standin/firewall/standin_policy.h"

namespace standin {

// The result the real service gives for an exception that does not exist (ERROR_FILE_NOT_FOUND).
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002u);

INetFwMgr* CreateManager(const std::shared_ptr<StandinPolicy>& policy);
INetFwPolicy* CreateLocalPolicy(const std::shared_ptr<StandinPolicy>& policy);
INetFwProfile* CreateProfile(const std::shared_ptr<StandinPolicy>& policy);
INetFwOpenPorts* CreateOpenPorts(const std::shared_ptr<StandinPolicy>& policy);
INetFwAuthorizedApplications* CreateApplications(const std::shared_ptr<StandinPolicy>& policy);
// An item bound to an entry of the policy (attached) or to data of its own, not yet added (detached).
INetFwOpenPort* CreateOpenPort(const std::shared_ptr<StandinPolicy>& policy,
                               std::shared_ptr<OpenPortData> data, bool attached);
INetFwAuthorizedApplication* CreateApplication(const std::shared_ptr<StandinPolicy>& policy,
                                               std::shared_ptr<ApplicationData> data, bool attached);

// The three creatable classes (manager, open port, authorised application), as CoCreateInstance
// would give them: the creation may be made to fail through "CoCreateInstance(NetFwMgr)" and so on.
HRESULT CreateInstance(const std::shared_ptr<StandinPolicy>& policy, REFCLSID classId, REFIID interfaceId,
                       void** object);
bool IsStandinClass(REFCLSID classId);

} // namespace standin
