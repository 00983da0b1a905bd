// Where the test's companion modules live: beside the test executable, as the
// build puts every binary in one folder.
#pragma once

#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace vintrax::testing {

#if defined(_WIN32)
inline constexpr const char* kModuleSuffix = ".dll";
#else
inline constexpr const char* kModuleSuffix = ".so";
#endif

inline std::string ExecutableDirectory() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of("\\/") + 1);
#else
    char path[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string s(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return s.substr(0, s.find_last_of('/') + 1);
#endif
}

// "vintrax" -> ".../vintrax.so" or "...\vintrax.dll"
inline std::string ModuleBesideExecutable(const std::string& stem) {
    return ExecutableDirectory() + stem + kModuleSuffix;
}

// True while the process holds the module loaded (without taking a reference).
inline bool ModuleIsLoaded(const std::string& path) {
#if defined(_WIN32)
    return GetModuleHandleA(path.c_str()) != nullptr;
#else
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) dlclose(handle);
    return handle != nullptr;
#endif
}

}  // namespace vintrax::testing
