// The repository's loopback test server, built into the shell tests too so
// that the application's session logs into a real server.
#include "tests/repository/TestServer.cpp"
