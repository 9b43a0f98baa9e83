// A shared library that is no COM server: it exports neither
// DllRegisterServer nor DllUnregisterServer.
extern "C" __attribute__((visibility("default"))) int NotAComServer() { return 1; }
