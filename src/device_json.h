// One device as a JSON object: the device report's properties in their JSON-native values.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "platform.h"

namespace devlist {

/// {"instanceId": <Device_InstanceId, or null>, "properties": {<name>: <value>, ...}}: exactly the properties
/// the text report shows, keyed by their names in catalogue order (see PropertyValueJson; the status as
/// DevNodeStatusJson). Neither argument is changed or released.
nlohmann::ordered_json BuildDeviceJson(HDEVINFO set, SP_DEVINFO_DATA* device);

}  // namespace devlist
