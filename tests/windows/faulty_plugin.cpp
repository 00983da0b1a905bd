// A plug-in built the ways that break loading in the host, so the file check is
// seen to catch them: stdcall exports get "@N" decorated names when no .def file
// lists them, an extra helper leaks into the export table, and a shared
// libstdc++ turns into a DLL the user would have to ship.
#include <sstream>
#include <string>

extern "C" __declspec(dllexport) int __stdcall MQInit(const char* hostModuleFileName) {
    std::ostringstream text;
    text << hostModuleFileName;
    return static_cast<int>(text.str().size());
}

extern "C" __declspec(dllexport) int VintraxHelper(void) { return 0; }
