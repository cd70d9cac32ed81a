// Result codes of the firewall operations: 0 is success, every other value names the step that failed.
#pragma once

#include <cstdint>

enum FW_ERROR_CODE : std::int32_t {
    FW_ERROR_NONE = 0,
    // Opening: a profile is already held. Every other operation: no profile is held.
    FW_ERROR_PROFILE_STATE = 1,
    // The firewall manager could not be created. The process ends before this code could be seen,
    // so no caller ever receives it; it exists so that a host whose process-ending returns (a test's)
    // still gets a failure.
    FW_ERROR_CREATE_MANAGER = 2,
    FW_ERROR_GET_POLICY = 3,
    FW_ERROR_GET_PROFILE = 4,
    FW_ERROR_READ_FIREWALL_STATE = 5,
    FW_ERROR_WRITE_FIREWALL_STATE = 6,
    FW_ERROR_NULL_ARGUMENT = 7,
    FW_ERROR_GET_PROGRAMS = 8,
    FW_ERROR_PROGRAM_ENABLED = 9,
    FW_ERROR_CREATE_PROGRAM = 10,
    FW_ERROR_EMPTY_STRING = 11,
    FW_ERROR_SET_PROGRAM_PATH = 12,
    FW_ERROR_SET_NAME = 13,
    FW_ERROR_COLLECTION_ADD = 14,
    FW_ERROR_COLLECTION_REMOVE = 15,
    FW_ERROR_GET_PORTS = 16,
    FW_ERROR_READ_PORT_ENABLED = 17,
    // A port exception's Enabled could not be written (the switch was refused).
    FW_ERROR_WRITE_PORT_ENABLED = 18,
    FW_ERROR_CREATE_PORT = 19,
    FW_ERROR_SET_PORT = 20,
    FW_ERROR_SET_PROTOCOL = 21,
};
