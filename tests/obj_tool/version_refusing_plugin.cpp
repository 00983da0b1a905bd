// A library with all seven exports that declines every host version: the tool
// must stop with an error instead of running anything.
#include "plugin/plugin_abi.h"

VINTRAX_PLUGIN_EXPORT void VINTRAX_CALL MQGetPlugInID(std::uint32_t* first, std::uint32_t* second) {
    *first = 1;
    *second = 2;
}
VINTRAX_PLUGIN_EXPORT const char* VINTRAX_CALL MQGetPlugInName() { return "refuses every host"; }
VINTRAX_PLUGIN_EXPORT int VINTRAX_CALL MQGetPlugInType() { return kPluginTypeCommand; }
VINTRAX_PLUGIN_EXPORT const char* VINTRAX_CALL MQEnumString(int index) { return index == 0 ? "Update Clones" : nullptr; }
VINTRAX_PLUGIN_EXPORT std::uint32_t VINTRAX_CALL MQCheckVersion(std::uint32_t) { return 0; }
VINTRAX_PLUGIN_EXPORT int VINTRAX_CALL MQInit(const char*) { return 1; }
VINTRAX_PLUGIN_EXPORT int VINTRAX_CALL MQModifyObject(int, DocumentHandle) { return 0; }
