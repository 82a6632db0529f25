// The device report: the fixed, ordered catalogue of device property keys, and the labelled text block that
// one device makes of it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "device_property_keys.h"
#include "property_read.h"
#include "platform.h"

namespace devlist {

/// How a row's value text is shown: as it comes, or decoded as a device-node status word.
enum class PropertyKind { plain, devNodeStatus };

struct DevicePropertyRow {
  const char* label;  // the key's published name without its prefix, then " : "
  DEVPROPKEY key;
  PropertyKind kind = PropertyKind::plain;
};

inline constexpr std::size_t kDevicePropertyCount = 185;

/// Every property the report reads, in the order of its lines. The order is part of the output format: it
/// follows the groups below, not the property sets or the identifiers.
inline constexpr std::array<DevicePropertyRow, kDevicePropertyCount> DevicePropertyCatalogue = {{
    // The name the device is shown by.
    {"NAME : ", DEVPKEY_NAME},
    // What the device is, its driver, bus and removal policy.
    {"Device_DeviceDesc : ", DEVPKEY_Device_DeviceDesc},
    {"Device_HardwareIds : ", DEVPKEY_Device_HardwareIds},
    {"Device_CompatibleIds : ", DEVPKEY_Device_CompatibleIds},
    {"Device_Service : ", DEVPKEY_Device_Service},
    {"Device_Class : ", DEVPKEY_Device_Class},
    {"Device_ClassGuid : ", DEVPKEY_Device_ClassGuid},
    {"Device_Driver : ", DEVPKEY_Device_Driver},
    {"Device_ConfigFlags : ", DEVPKEY_Device_ConfigFlags},
    {"Device_Manufacturer : ", DEVPKEY_Device_Manufacturer},
    {"Device_FriendlyName : ", DEVPKEY_Device_FriendlyName},
    {"Device_LocationInfo : ", DEVPKEY_Device_LocationInfo},
    {"Device_PDOName : ", DEVPKEY_Device_PDOName},
    {"Device_Capabilities : ", DEVPKEY_Device_Capabilities},
    {"Device_UINumber : ", DEVPKEY_Device_UINumber},
    {"Device_UpperFilters : ", DEVPKEY_Device_UpperFilters},
    {"Device_LowerFilters : ", DEVPKEY_Device_LowerFilters},
    {"Device_BusTypeGuid : ", DEVPKEY_Device_BusTypeGuid},
    {"Device_LegacyBusType : ", DEVPKEY_Device_LegacyBusType},
    {"Device_BusNumber : ", DEVPKEY_Device_BusNumber},
    {"Device_EnumeratorName : ", DEVPKEY_Device_EnumeratorName},
    {"Device_Security : ", DEVPKEY_Device_Security},
    {"Device_SecuritySDS : ", DEVPKEY_Device_SecuritySDS},
    {"Device_DevType : ", DEVPKEY_Device_DevType},
    {"Device_Exclusive : ", DEVPKEY_Device_Exclusive},
    {"Device_Characteristics : ", DEVPKEY_Device_Characteristics},
    {"Device_Address : ", DEVPKEY_Device_Address},
    {"Device_UINumberDescFormat : ", DEVPKEY_Device_UINumberDescFormat},
    {"Device_PowerData : ", DEVPKEY_Device_PowerData},
    {"Device_RemovalPolicy : ", DEVPKEY_Device_RemovalPolicy},
    {"Device_RemovalPolicyDefault : ", DEVPKEY_Device_RemovalPolicyDefault},
    {"Device_RemovalPolicyOverride : ", DEVPKEY_Device_RemovalPolicyOverride},
    {"Device_InstallState : ", DEVPKEY_Device_InstallState},
    {"Device_LocationPaths : ", DEVPKEY_Device_LocationPaths},
    {"Device_BaseContainerId : ", DEVPKEY_Device_BaseContainerId},
    // Its instance id.
    {"Device_InstanceId : ", DEVPKEY_Device_InstanceId},
    // Its node in the device tree: status, problem and relations to other nodes.
    {"Device_DevNodeStatus : ", DEVPKEY_Device_DevNodeStatus, PropertyKind::devNodeStatus},
    {"Device_ProblemCode : ", DEVPKEY_Device_ProblemCode},
    {"Device_EjectionRelations : ", DEVPKEY_Device_EjectionRelations},
    {"Device_RemovalRelations : ", DEVPKEY_Device_RemovalRelations},
    {"Device_PowerRelations : ", DEVPKEY_Device_PowerRelations},
    {"Device_BusRelations : ", DEVPKEY_Device_BusRelations},
    {"Device_Parent : ", DEVPKEY_Device_Parent},
    {"Device_Children : ", DEVPKEY_Device_Children},
    {"Device_Siblings : ", DEVPKEY_Device_Siblings},
    {"Device_TransportRelations : ", DEVPKEY_Device_TransportRelations},
    {"Device_ProblemStatus : ", DEVPKEY_Device_ProblemStatus},
    // Whether a bus reported it or it is a legacy device.
    {"Device_Reported : ", DEVPKEY_Device_Reported},
    {"Device_Legacy : ", DEVPKEY_Device_Legacy},
    // The container (the physical product) it belongs to.
    {"Device_ContainerId : ", DEVPKEY_Device_ContainerId},
    {"Device_InLocalMachineContainer : ", DEVPKEY_Device_InLocalMachineContainer},
    // Its model name.
    {"Device_Model : ", DEVPKEY_Device_Model},
    // Its model id and how the user interface presents it.
    {"Device_ModelId : ", DEVPKEY_Device_ModelId},
    {"Device_FriendlyNameAttributes : ", DEVPKEY_Device_FriendlyNameAttributes},
    {"Device_ManufacturerAttributes : ", DEVPKEY_Device_ManufacturerAttributes},
    {"Device_PresenceNotForDevice : ", DEVPKEY_Device_PresenceNotForDevice},
    {"Device_SignalStrength : ", DEVPKEY_Device_SignalStrength},
    {"Device_IsAssociateableByUserAction : ", DEVPKEY_Device_IsAssociateableByUserAction},
    {"Device_ShowInUninstallUI : ", DEVPKEY_Device_ShowInUninstallUI},
    // NUMA placement, presence, problem, BIOS name, driver stack and firmware.
    {"Device_Numa_Proximity_Domain : ", DEVPKEY_Device_Numa_Proximity_Domain},
    {"Device_DHP_Rebalance_Policy : ", DEVPKEY_Device_DHP_Rebalance_Policy},
    {"Device_Numa_Node : ", DEVPKEY_Device_Numa_Node},
    {"Device_BusReportedDeviceDesc : ", DEVPKEY_Device_BusReportedDeviceDesc},
    {"Device_IsPresent : ", DEVPKEY_Device_IsPresent},
    {"Device_HasProblem : ", DEVPKEY_Device_HasProblem},
    {"Device_ConfigurationId : ", DEVPKEY_Device_ConfigurationId},
    {"Device_ReportedDeviceIdsHash : ", DEVPKEY_Device_ReportedDeviceIdsHash},
    {"Device_PhysicalDeviceLocation : ", DEVPKEY_Device_PhysicalDeviceLocation},
    {"Device_BiosDeviceName : ", DEVPKEY_Device_BiosDeviceName},
    {"Device_DriverProblemDesc : ", DEVPKEY_Device_DriverProblemDesc},
    {"Device_DebuggerSafe : ", DEVPKEY_Device_DebuggerSafe},
    {"Device_PostInstallInProgress : ", DEVPKEY_Device_PostInstallInProgress},
    {"Device_Stack : ", DEVPKEY_Device_Stack},
    {"Device_ExtendedConfigurationIds : ", DEVPKEY_Device_ExtendedConfigurationIds},
    {"Device_IsRebootRequired : ", DEVPKEY_Device_IsRebootRequired},
    {"Device_FirmwareDate : ", DEVPKEY_Device_FirmwareDate},
    {"Device_FirmwareVersion : ", DEVPKEY_Device_FirmwareVersion},
    {"Device_FirmwareRevision : ", DEVPKEY_Device_FirmwareRevision},
    // Its session and its install, arrival and removal dates.
    {"Device_SessionId : ", DEVPKEY_Device_SessionId},
    {"Device_InstallDate : ", DEVPKEY_Device_InstallDate},
    {"Device_FirstInstallDate : ", DEVPKEY_Device_FirstInstallDate},
    {"Device_LastArrivalDate : ", DEVPKEY_Device_LastArrivalDate},
    {"Device_LastRemovalDate : ", DEVPKEY_Device_LastRemovalDate},
    // The driver installed for it.
    {"Device_DriverDate : ", DEVPKEY_Device_DriverDate},
    {"Device_DriverVersion : ", DEVPKEY_Device_DriverVersion},
    {"Device_DriverDesc : ", DEVPKEY_Device_DriverDesc},
    {"Device_DriverInfPath : ", DEVPKEY_Device_DriverInfPath},
    {"Device_DriverInfSection : ", DEVPKEY_Device_DriverInfSection},
    {"Device_DriverInfSectionExt : ", DEVPKEY_Device_DriverInfSectionExt},
    {"Device_MatchingDeviceId : ", DEVPKEY_Device_MatchingDeviceId},
    {"Device_DriverProvider : ", DEVPKEY_Device_DriverProvider},
    {"Device_DriverPropPageProvider : ", DEVPKEY_Device_DriverPropPageProvider},
    {"Device_DriverCoInstallers : ", DEVPKEY_Device_DriverCoInstallers},
    {"Device_ResourcePickerTags : ", DEVPKEY_Device_ResourcePickerTags},
    {"Device_ResourcePickerExceptions : ", DEVPKEY_Device_ResourcePickerExceptions},
    {"Device_DriverRank : ", DEVPKEY_Device_DriverRank},
    {"Device_DriverLogoLevel : ", DEVPKEY_Device_DriverLogoLevel},
    {"Device_NoConnectSound : ", DEVPKEY_Device_NoConnectSound},
    {"Device_GenericDriverInstalled : ", DEVPKEY_Device_GenericDriverInstalled},
    {"Device_AdditionalSoftwareRequested : ", DEVPKEY_Device_AdditionalSoftwareRequested},
    // Whether it must be removed safely.
    {"Device_SafeRemovalRequired : ", DEVPKEY_Device_SafeRemovalRequired},
    {"Device_SafeRemovalRequiredOverride : ", DEVPKEY_Device_SafeRemovalRequiredOverride},
    // The driver package.
    {"DrvPkg_Model : ", DEVPKEY_DrvPkg_Model},
    {"DrvPkg_VendorWebSite : ", DEVPKEY_DrvPkg_VendorWebSite},
    {"DrvPkg_DetailedDescription : ", DEVPKEY_DrvPkg_DetailedDescription},
    {"DrvPkg_DocumentationLink : ", DEVPKEY_DrvPkg_DocumentationLink},
    {"DrvPkg_Icon : ", DEVPKEY_DrvPkg_Icon},
    {"DrvPkg_BrandingIcon : ", DEVPKEY_DrvPkg_BrandingIcon},
    // Its setup class: filters, security and device type.
    {"DeviceClass_UpperFilters : ", DEVPKEY_DeviceClass_UpperFilters},
    {"DeviceClass_LowerFilters : ", DEVPKEY_DeviceClass_LowerFilters},
    {"DeviceClass_Security : ", DEVPKEY_DeviceClass_Security},
    {"DeviceClass_SecuritySDS : ", DEVPKEY_DeviceClass_SecuritySDS},
    {"DeviceClass_DevType : ", DEVPKEY_DeviceClass_DevType},
    {"DeviceClass_Exclusive : ", DEVPKEY_DeviceClass_Exclusive},
    {"DeviceClass_Characteristics : ", DEVPKEY_DeviceClass_Characteristics},
    // Its setup class: names, icons and installer.
    {"DeviceClass_Name : ", DEVPKEY_DeviceClass_Name},
    {"DeviceClass_ClassName : ", DEVPKEY_DeviceClass_ClassName},
    {"DeviceClass_Icon : ", DEVPKEY_DeviceClass_Icon},
    {"DeviceClass_ClassInstaller : ", DEVPKEY_DeviceClass_ClassInstaller},
    {"DeviceClass_PropPageProvider : ", DEVPKEY_DeviceClass_PropPageProvider},
    {"DeviceClass_NoInstallClass : ", DEVPKEY_DeviceClass_NoInstallClass},
    {"DeviceClass_NoDisplayClass : ", DEVPKEY_DeviceClass_NoDisplayClass},
    {"DeviceClass_SilentInstall : ", DEVPKEY_DeviceClass_SilentInstall},
    {"DeviceClass_NoUseClass : ", DEVPKEY_DeviceClass_NoUseClass},
    {"DeviceClass_DefaultService : ", DEVPKEY_DeviceClass_DefaultService},
    {"DeviceClass_IconPath : ", DEVPKEY_DeviceClass_IconPath},
    // Its setup class: resource rebalancing.
    {"DeviceClass_DHPRebalanceOptOut : ", DEVPKEY_DeviceClass_DHPRebalanceOptOut},
    // Its setup class: co-installers.
    {"DeviceClass_ClassCoInstallers : ", DEVPKEY_DeviceClass_ClassCoInstallers},
    // A device interface of it.
    {"DeviceInterface_FriendlyName : ", DEVPKEY_DeviceInterface_FriendlyName},
    {"DeviceInterface_Enabled : ", DEVPKEY_DeviceInterface_Enabled},
    {"DeviceInterface_ClassGuid : ", DEVPKEY_DeviceInterface_ClassGuid},
    {"DeviceInterface_ReferenceString : ", DEVPKEY_DeviceInterface_ReferenceString},
    {"DeviceInterface_Restricted : ", DEVPKEY_DeviceInterface_Restricted},
    // The interface class of that interface.
    {"DeviceInterfaceClass_DefaultInterface : ", DEVPKEY_DeviceInterfaceClass_DefaultInterface},
    {"DeviceInterfaceClass_Name : ", DEVPKEY_DeviceInterfaceClass_Name},
    // Its device container: address, pairing, metadata and category.
    {"DeviceContainer_Address : ", DEVPKEY_DeviceContainer_Address},
    {"DeviceContainer_DiscoveryMethod : ", DEVPKEY_DeviceContainer_DiscoveryMethod},
    {"DeviceContainer_IsEncrypted : ", DEVPKEY_DeviceContainer_IsEncrypted},
    {"DeviceContainer_IsAuthenticated : ", DEVPKEY_DeviceContainer_IsAuthenticated},
    {"DeviceContainer_IsConnected : ", DEVPKEY_DeviceContainer_IsConnected},
    {"DeviceContainer_IsPaired : ", DEVPKEY_DeviceContainer_IsPaired},
    {"DeviceContainer_Icon : ", DEVPKEY_DeviceContainer_Icon},
    {"DeviceContainer_Version : ", DEVPKEY_DeviceContainer_Version},
    {"DeviceContainer_Last_Seen : ", DEVPKEY_DeviceContainer_Last_Seen},
    {"DeviceContainer_Last_Connected : ", DEVPKEY_DeviceContainer_Last_Connected},
    {"DeviceContainer_IsShowInDisconnectedState : ", DEVPKEY_DeviceContainer_IsShowInDisconnectedState},
    {"DeviceContainer_IsLocalMachine : ", DEVPKEY_DeviceContainer_IsLocalMachine},
    {"DeviceContainer_MetadataPath : ", DEVPKEY_DeviceContainer_MetadataPath},
    {"DeviceContainer_IsMetadataSearchInProgress : ", DEVPKEY_DeviceContainer_IsMetadataSearchInProgress},
    {"DeviceContainer_MetadataChecksum : ", DEVPKEY_DeviceContainer_MetadataChecksum},
    {"DeviceContainer_IsNotInterestingForDisplay : ", DEVPKEY_DeviceContainer_IsNotInterestingForDisplay},
    {"DeviceContainer_LaunchDeviceStageOnDeviceConnect : ", DEVPKEY_DeviceContainer_LaunchDeviceStageOnDeviceConnect},
    {"DeviceContainer_LaunchDeviceStageFromExplorer : ", DEVPKEY_DeviceContainer_LaunchDeviceStageFromExplorer},
    {"DeviceContainer_BaselineExperienceId : ", DEVPKEY_DeviceContainer_BaselineExperienceId},
    {"DeviceContainer_IsDeviceUniquelyIdentifiable : ", DEVPKEY_DeviceContainer_IsDeviceUniquelyIdentifiable},
    {"DeviceContainer_AssociationArray : ", DEVPKEY_DeviceContainer_AssociationArray},
    {"DeviceContainer_DeviceDescription1 : ", DEVPKEY_DeviceContainer_DeviceDescription1},
    {"DeviceContainer_DeviceDescription2 : ", DEVPKEY_DeviceContainer_DeviceDescription2},
    {"DeviceContainer_HasProblem : ", DEVPKEY_DeviceContainer_HasProblem},
    {"DeviceContainer_IsSharedDevice : ", DEVPKEY_DeviceContainer_IsSharedDevice},
    {"DeviceContainer_IsNetworkDevice : ", DEVPKEY_DeviceContainer_IsNetworkDevice},
    {"DeviceContainer_IsDefaultDevice : ", DEVPKEY_DeviceContainer_IsDefaultDevice},
    {"DeviceContainer_MetadataCabinet : ", DEVPKEY_DeviceContainer_MetadataCabinet},
    {"DeviceContainer_RequiresPairingElevation : ", DEVPKEY_DeviceContainer_RequiresPairingElevation},
    {"DeviceContainer_ExperienceId : ", DEVPKEY_DeviceContainer_ExperienceId},
    {"DeviceContainer_Category : ", DEVPKEY_DeviceContainer_Category},
    {"DeviceContainer_Category_Desc_Singular : ", DEVPKEY_DeviceContainer_Category_Desc_Singular},
    {"DeviceContainer_Category_Desc_Plural : ", DEVPKEY_DeviceContainer_Category_Desc_Plural},
    {"DeviceContainer_Category_Icon : ", DEVPKEY_DeviceContainer_Category_Icon},
    {"DeviceContainer_CategoryGroup_Desc : ", DEVPKEY_DeviceContainer_CategoryGroup_Desc},
    {"DeviceContainer_CategoryGroup_Icon : ", DEVPKEY_DeviceContainer_CategoryGroup_Icon},
    {"DeviceContainer_PrimaryCategory : ", DEVPKEY_DeviceContainer_PrimaryCategory},
    {"DeviceContainer_UnpairUninstall : ", DEVPKEY_DeviceContainer_UnpairUninstall},
    {"DeviceContainer_RequiresUninstallElevation : ", DEVPKEY_DeviceContainer_RequiresUninstallElevation},
    {"DeviceContainer_DeviceFunctionSubRank : ", DEVPKEY_DeviceContainer_DeviceFunctionSubRank},
    {"DeviceContainer_AlwaysShowDeviceAsConnected : ", DEVPKEY_DeviceContainer_AlwaysShowDeviceAsConnected},
    {"DeviceContainer_ConfigFlags : ", DEVPKEY_DeviceContainer_ConfigFlags},
    {"DeviceContainer_PrivilegedPackageFamilyNames : ", DEVPKEY_DeviceContainer_PrivilegedPackageFamilyNames},
    {"DeviceContainer_CustomPrivilegedPackageFamilyNames : ",
     DEVPKEY_DeviceContainer_CustomPrivilegedPackageFamilyNames},
    {"DeviceContainer_IsRebootRequired : ", DEVPKEY_DeviceContainer_IsRebootRequired},
    // Its device container: names.
    {"DeviceContainer_FriendlyName : ", DEVPKEY_DeviceContainer_FriendlyName},
    {"DeviceContainer_Manufacturer : ", DEVPKEY_DeviceContainer_Manufacturer},
    {"DeviceContainer_ModelName : ", DEVPKEY_DeviceContainer_ModelName},
    {"DeviceContainer_ModelNumber : ", DEVPKEY_DeviceContainer_ModelNumber},
    // Its device container: installation in progress.
    {"DeviceContainer_InstallInProgress : ", DEVPKEY_DeviceContainer_InstallInProgress},
}};

/// The row's name: its label without " : " ("Device_DeviceDesc", "NAME").
std::string_view DevicePropertyName(const DevicePropertyRow& row);

/// The key of the catalogue row whose name (its label without " : ", e.g. "Device_DeviceDesc" or "NAME") is
/// `name`, or null when no row has that name.
const DEVPROPKEY* FindDevicePropertyKey(std::string_view name);

/// One line per catalogue property that yields text for this device, in catalogue order, each ending in a
/// newline; the status row is followed by one indented line per set flag. Empty when nothing yields text.
/// Neither argument is changed or released.
std::string BuildDeviceReport(HDEVINFO set, SP_DEVINFO_DATA* device);
/// The same lines appended to `report`, every read going through `scratch`: a listing of many devices keeps
/// both from one device to the next.
void AppendDeviceReport(HDEVINFO set, SP_DEVINFO_DATA* device, std::string& report, RawDeviceProperty& scratch);

}  // namespace devlist
