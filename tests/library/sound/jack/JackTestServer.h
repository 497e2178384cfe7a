#pragma once
// The private JACK server of the sound tests as the CTest fixture runs it (jack_server.sh, named by the environment),
// for the tests that stop and start it under an open stream.
#include "library/sound/Backend.h"

#include <cstdlib>
#include <string>
#include <thread>

namespace vemra::sound::test {

// Whether the fixture told where its script and the server's state folder are.
inline bool haveServerScript()
{
    return std::getenv("VEMRA_JACK_SERVER_SCRIPT") && std::getenv("VEMRA_JACK_STATE");
}

// Runs the fixture's script with "start" or "stop": its exit status, -1 without the script. A stop returns once the
// server process has ended; a start once the server offers its loop-back ports.
inline int jackServer(const char* action)
{
    if (!haveServerScript())
        return -1;
    return std::system(("sh '" + std::string(std::getenv("VEMRA_JACK_SERVER_SCRIPT")) + "' " + action + " '"
                        + std::getenv("VEMRA_JACK_STATE") + "'")
                           .c_str());
}

// Waits until the backend's open stream knows that its server went: the server's shutdown notice comes on JACK's own
// thread, which a busy machine may run well after the server process ended.
inline void waitUntilStreamLost(const Backend& backend)
{
    while (!backend.lost())
        std::this_thread::yield();
}

} // namespace vemra::sound::test
