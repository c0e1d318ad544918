// tavtools-remote-calls: makes, for the program that started it, its calls
// on network volumes (see remote_call.h); requests come on its standard
// input, a socket.
#include "linux_platform.h"
#include "remote_call.h"

int main() {
    // Its calls are this machine's own, never sent to yet another helper.
    static platform::LinuxPlatform local;
    platform::Platform::setInstance(&local);
    return platform::serveRemoteCalls(0);
}
