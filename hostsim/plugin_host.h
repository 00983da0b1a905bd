// The host's side of loading a plug-in: opens the library file by path, looks up
// its exports by name and calls them as the host modeller does. Every tool and
// end-to-end test goes through here, so the plug-in is always exercised as built.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/document.h"
#include "hostsim/hostsim_export.h"
#include "plugin/plugin_abi.h"

namespace vintrax::hostsim {

// The version number this host reports to MQCheckVersion.
constexpr std::uint32_t kStandInHostVersion = 0x2490;

class VINTRAX_HOSTSIM_API PluginHost {
public:
    // Loads the library and resolves all seven exports. Null on failure, with a
    // reason naming the file in *error.
    static std::unique_ptr<PluginHost> Load(const std::string& libraryPath, std::string* error);

    // Load + version check + MQInit with this process's stand-in host module, then
    // checks that the plug-in lists "Update Clones". Null with a reason on failure.
    static std::unique_ptr<PluginHost> Open(const std::string& libraryPath, std::string* error);

    ~PluginHost();  // unloads the library
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // The exports, resolved by name. Never null on a loaded PluginHost.
    MQGetPlugInIDProc getPlugInID = nullptr;
    MQGetPlugInNameProc getPlugInName = nullptr;
    MQGetPlugInTypeProc getPlugInType = nullptr;
    MQEnumStringProc enumString = nullptr;
    MQCheckVersionProc checkVersion = nullptr;
    MQInitProc init = nullptr;
    MQModifyObjectProc modifyObject = nullptr;

    // Labels from MQEnumString(0), (1), ... up to the first null.
    std::vector<std::string> Commands() const;
    int Run(int command, Document& document) const { return modifyObject(command, document.handle()); }

private:
    PluginHost() = default;
    void* module_ = nullptr;
};

}  // namespace vintrax::hostsim
