#pragma once
// TCP traffic over the loopback interface, made from this process for the capture to see.

#include <winsock2.h>

namespace e2e {

// One TCP connection from `client` (a loopback address; Winsock started) to 127.0.0.1: data both
// ways, then an orderly close from both ends. The ports it used are returned.
bool TalkOverLoopback(const char* client, u_short& clientPort, u_short& serverPort);

} // namespace e2e
