// The repository's loopback test server, built into the dialog tests too so
// that the browser and its dialogs run against a real server.
#include "tests/repository/TestServer.cpp"
