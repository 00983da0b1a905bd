#include "hostsim/plugin_host.h"

#include <algorithm>
#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vintrax::hostsim {

namespace {

void* OpenLibrary(const std::string& path, std::string* reason) {
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) *reason = "Windows error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
#else
    // RTLD_LOCAL: the plug-in's own symbols must not leak into the process, just
    // as in the host modeller.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = dlerror();
        *reason = error != nullptr ? error : "unknown loader error";
    }
    return module;
#endif
}

void CloseLibrary(void* module) {
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

template <typename Proc>
bool Resolve(void* module, const char* name, Proc* slot) {
#if defined(_WIN32)
    // Through void (*)(void), the one function type GCC lets every other convert to.
    typedef void (*AnyFunction)(void);
    *slot = reinterpret_cast<Proc>(
        reinterpret_cast<AnyFunction>(GetProcAddress(reinterpret_cast<HMODULE>(module), name)));
#else
    *slot = reinterpret_cast<Proc>(dlsym(module, name));
#endif
    return *slot != nullptr;
}

void SetError(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
}

}  // namespace

std::unique_ptr<PluginHost> PluginHost::Load(const std::string& libraryPath, std::string* error) {
    std::string reason;
    void* module = OpenLibrary(libraryPath, &reason);
    if (module == nullptr) {
        SetError(error, "cannot load plug-in " + libraryPath + ": " + reason);
        return nullptr;
    }
    std::unique_ptr<PluginHost> host(new PluginHost());
    host->module_ = module;  // from here on the destructor unloads it

    const auto resolve = [&](const char* name, auto* slot) {
        if (Resolve(module, name, slot)) return true;
        SetError(error, "plug-in " + libraryPath + " does not export " + name);
        return false;
    };
    if (!resolve("MQGetPlugInID", &host->getPlugInID) || !resolve("MQGetPlugInName", &host->getPlugInName) ||
        !resolve("MQGetPlugInType", &host->getPlugInType) || !resolve("MQEnumString", &host->enumString) ||
        !resolve("MQCheckVersion", &host->checkVersion) || !resolve("MQInit", &host->init) ||
        !resolve("MQModifyObject", &host->modifyObject)) {
        return nullptr;
    }
    return host;
}

std::unique_ptr<PluginHost> PluginHost::Open(const std::string& libraryPath, std::string* error) {
    std::unique_ptr<PluginHost> host = Load(libraryPath, error);
    if (host == nullptr) return nullptr;
    if (host->checkVersion(kStandInHostVersion) == 0) {
        char version[16];
        std::snprintf(version, sizeof version, "0x%X", static_cast<unsigned>(kStandInHostVersion));
        SetError(error, "plug-in " + libraryPath + " declines host version " + version);
        return nullptr;
    }
    const std::string hostModule = HostModulePath();
    if (host->init(hostModule.c_str()) == 0) {
        SetError(error, "plug-in " + libraryPath + " could not bind the host functions of " +
                            (hostModule.empty() ? std::string("(unknown module)") : hostModule));
        return nullptr;
    }
    const std::vector<std::string> commands = host->Commands();
    if (std::find(commands.begin(), commands.end(), "Update Clones") == commands.end()) {
        SetError(error, "plug-in " + libraryPath + " has no \"Update Clones\" command");
        return nullptr;
    }
    return host;
}

PluginHost::~PluginHost() {
    if (module_ != nullptr) CloseLibrary(module_);
}

std::vector<std::string> PluginHost::Commands() const {
    std::vector<std::string> commands;
    // The bound guards against a plug-in that never answers null.
    for (int index = 0; index < 1024; ++index) {
        const char* label = enumString(index);
        if (label == nullptr) break;
        commands.emplace_back(label);
    }
    return commands;
}

}  // namespace vintrax::hostsim
