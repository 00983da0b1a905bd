#include <string>

#include "hostsim/document.h"
#include "hostsim/host_exports.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vintrax::hostsim {

// The module is found from the address of one of its own exports, so the answer
// is whatever file the host functions were actually loaded from: this shared
// library on Linux, the executable that links the host in on Windows.
std::string HostModulePath() {
#if defined(_WIN32)
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&MQDoc_GetObjectCount), &module)) {
        return {};
    }
    // Paths may exceed MAX_PATH; grow until the name fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&MQDoc_GetObjectCount), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
#endif
}

}  // namespace vintrax::hostsim
