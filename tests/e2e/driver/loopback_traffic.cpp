#include "tests/e2e/driver/loopback_traffic.h"

#include <initializer_list>

namespace e2e {

namespace {

bool ReceiveAll(SOCKET socket, char* buffer, int length) {
    while (length > 0) {
        const int got = recv(socket, buffer, length, 0);
        if (got <= 0)
            return false;
        buffer += got;
        length -= got;
    }
    return true;
}

} // namespace

bool TalkOverLoopback(const char* client, u_short& clientPort, u_short& serverPort) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    SOCKET outgoing = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    SOCKET incoming = INVALID_SOCKET;
    bool ok = listener != INVALID_SOCKET && outgoing != INVALID_SOCKET;
    sockaddr_in address = {};
    int length = sizeof address;
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    ok = ok && bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
         listen(listener, 1) == 0 &&
         getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    serverPort = ntohs(address.sin_port);
    sockaddr_in from = {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = inet_addr(client);
    ok = ok && bind(outgoing, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
         connect(outgoing, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    length = sizeof from;
    ok = ok && getsockname(outgoing, reinterpret_cast<sockaddr*>(&from), &length) == 0;
    clientPort = ntohs(from.sin_port);
    if (ok)
        incoming = accept(listener, nullptr, nullptr);
    char buffer[16] = {};
    ok = ok && incoming != INVALID_SOCKET && send(outgoing, "hello", 5, 0) == 5 &&
         ReceiveAll(incoming, buffer, 5) && send(incoming, "world!", 6, 0) == 6 &&
         ReceiveAll(outgoing, buffer, 6) && shutdown(outgoing, SD_SEND) == 0 &&
         recv(incoming, buffer, sizeof buffer, 0) == 0 && shutdown(incoming, SD_SEND) == 0 &&
         recv(outgoing, buffer, sizeof buffer, 0) == 0;
    for (SOCKET socket : {incoming, outgoing, listener})
        if (socket != INVALID_SOCKET)
            closesocket(socket);
    return ok;
}

} // namespace e2e
