// The firewall's COM interfaces for native builds: the same interface names, method names and
// method order as the Windows SDK, so that code written against them compiles unchanged for Windows.
#pragma once

#include "platform/com_portable.h"

enum NET_FW_PROFILE_TYPE : int {
    NET_FW_PROFILE_DOMAIN = 0,
    NET_FW_PROFILE_STANDARD = 1,
    NET_FW_PROFILE_CURRENT = 2,
    NET_FW_PROFILE_TYPE_MAX = 3
};
enum NET_FW_IP_VERSION : int {
    NET_FW_IP_VERSION_V4 = 0,
    NET_FW_IP_VERSION_V6 = 1,
    NET_FW_IP_VERSION_ANY = 2,
    NET_FW_IP_VERSION_MAX = 3
};
enum NET_FW_SCOPE : int {
    NET_FW_SCOPE_ALL = 0,
    NET_FW_SCOPE_LOCAL_SUBNET = 1,
    NET_FW_SCOPE_CUSTOM = 2,
    NET_FW_SCOPE_MAX = 3
};
// A fixed underlying type: any 32-bit protocol number passes through unchanged.
enum NET_FW_IP_PROTOCOL : int { NET_FW_IP_PROTOCOL_TCP = 6, NET_FW_IP_PROTOCOL_UDP = 17 };

extern const IID IID_INetFwOpenPort;
extern const IID IID_INetFwOpenPorts;
extern const IID IID_INetFwAuthorizedApplication;
extern const IID IID_INetFwAuthorizedApplications;
extern const IID IID_INetFwProfile;
extern const IID IID_INetFwPolicy;
extern const IID IID_INetFwMgr;
extern const CLSID CLSID_NetFwOpenPort;
extern const CLSID CLSID_NetFwAuthorizedApplication;
extern const CLSID CLSID_NetFwMgr;

// Reached only through pointers that the program never follows.
struct INetFwRemoteAdminSettings;
struct INetFwIcmpSettings;
struct INetFwServices;

struct INetFwOpenPort : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IpVersion(NET_FW_IP_VERSION* ipVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IpVersion(NET_FW_IP_VERSION ipVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Protocol(NET_FW_IP_PROTOCOL* ipProtocol) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Protocol(NET_FW_IP_PROTOCOL ipProtocol) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Port(LONG* portNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Port(LONG portNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Scope(NET_FW_SCOPE* scope) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Scope(NET_FW_SCOPE scope) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RemoteAddresses(BSTR* remoteAddrs) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_RemoteAddresses(BSTR remoteAddrs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* builtIn) = 0;

protected:
    ~INetFwOpenPort() = default;
};

struct INetFwOpenPorts : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(INetFwOpenPort* port) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(LONG portNumber, NET_FW_IP_PROTOCOL ipProtocol) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(LONG portNumber, NET_FW_IP_PROTOCOL ipProtocol,
                                           INetFwOpenPort** openPort) = 0;
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** newEnum) = 0;

protected:
    ~INetFwOpenPorts() = default;
};

struct INetFwAuthorizedApplication : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProcessImageFileName(BSTR* imageFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ProcessImageFileName(BSTR imageFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IpVersion(NET_FW_IP_VERSION* ipVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IpVersion(NET_FW_IP_VERSION ipVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Scope(NET_FW_SCOPE* scope) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Scope(NET_FW_SCOPE scope) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RemoteAddresses(BSTR* remoteAddrs) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_RemoteAddresses(BSTR remoteAddrs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) = 0;

protected:
    ~INetFwAuthorizedApplication() = default;
};

struct INetFwAuthorizedApplications : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(INetFwAuthorizedApplication* app) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(BSTR imageFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(BSTR imageFileName, INetFwAuthorizedApplication** app) = 0;
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** newEnum) = 0;

protected:
    ~INetFwAuthorizedApplications() = default;
};

struct INetFwProfile : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Type(NET_FW_PROFILE_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FirewallEnabled(VARIANT_BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FirewallEnabled(VARIANT_BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExceptionsNotAllowed(VARIANT_BOOL* notAllowed) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ExceptionsNotAllowed(VARIANT_BOOL notAllowed) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NotificationsDisabled(VARIANT_BOOL* disabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_NotificationsDisabled(VARIANT_BOOL disabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_UnicastResponsesToMulticastBroadcastDisabled(VARIANT_BOOL* disabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    put_UnicastResponsesToMulticastBroadcastDisabled(VARIANT_BOOL disabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_RemoteAdminSettings(INetFwRemoteAdminSettings** remoteAdminSettings) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IcmpSettings(INetFwIcmpSettings** icmpSettings) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_GloballyOpenPorts(INetFwOpenPorts** openPorts) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Services(INetFwServices** services) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AuthorizedApplications(INetFwAuthorizedApplications** apps) = 0;

protected:
    ~INetFwProfile() = default;
};

struct INetFwPolicy : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_CurrentProfile(INetFwProfile** profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProfileByType(NET_FW_PROFILE_TYPE profileType,
                                                       INetFwProfile** profile) = 0;

protected:
    ~INetFwPolicy() = default;
};

struct INetFwMgr : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_LocalPolicy(INetFwPolicy** localPolicy) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentProfileType(NET_FW_PROFILE_TYPE* profileType) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDefaults() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPortAllowed(BSTR imageFileName, NET_FW_IP_VERSION ipVersion,
                                                    LONG portNumber, BSTR localAddress,
                                                    NET_FW_IP_PROTOCOL ipProtocol, VARIANT* allowed,
                                                    VARIANT* restricted) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsIcmpTypeAllowed(NET_FW_IP_VERSION ipVersion, BSTR localAddress,
                                                        BYTE type, VARIANT* allowed, VARIANT* restricted) = 0;

protected:
    ~INetFwMgr() = default;
};
