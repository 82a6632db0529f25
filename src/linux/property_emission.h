// The last step of a scan: every node of the graph becomes a device of the model, with its properties
// stored under their DEVPKEY_ keys and the types Windows uses, and its interfaces.
#pragma once

#include "device_graph.h"

namespace devlist::sysfs {

/// Links the graph's parents, then adds each node to the device model; what a node holds is freed once it
/// is stored, so the scan's own copy does not outlive the model's.
void EmitIntoModel(DeviceGraph& graph);

}  // namespace devlist::sysfs
