// The device report: the fixed, ordered catalogue of device property keys, and the labelled text block that
// one device makes of it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform.h"

namespace devlist {

/// The property sets of the catalogue's keys. Some sets serve several runs of rows that are apart.
namespace property_sets {
/// {b725f130-47ef-101a-a5f1-02608c9eebac}
inline constexpr GUID kName = {0xb725f130, 0x47ef, 0x101a, {0xa5, 0xf1, 0x02, 0x60, 0x8c, 0x9e, 0xeb, 0xac}};
/// {a45c254e-df1c-4efd-8020-67d146a850e0}
inline constexpr GUID kDevice = {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}};
/// {78c34fc8-104a-4aca-9ea4-524d52996e57}
inline constexpr GUID kDeviceContainer = {0x78c34fc8, 0x104a, 0x4aca, {0x9e, 0xa4, 0x52, 0x4d, 0x52, 0x99, 0x6e, 0x57}};
/// {4340a6c5-93fa-4706-972c-7b648008a5a7}
inline constexpr GUID kDevNode = {0x4340a6c5, 0x93fa, 0x4706, {0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7}};
/// {80497100-8c73-48b9-aad9-ce387e19c56e}
inline constexpr GUID kReported = {0x80497100, 0x8c73, 0x48b9, {0xaa, 0xd9, 0xce, 0x38, 0x7e, 0x19, 0xc5, 0x6e}};
/// {8c7ed206-3f8a-4827-b3ab-ae9e1faefc6c}
inline constexpr GUID kContainerId = {0x8c7ed206, 0x3f8a, 0x4827, {0xb3, 0xab, 0xae, 0x9e, 0x1f, 0xae, 0xfc, 0x6c}};
/// {80d81ea6-7473-4b0c-8216-efc11a2c4c8b}
inline constexpr GUID kModelId = {0x80d81ea6, 0x7473, 0x4b0c, {0x82, 0x16, 0xef, 0xc1, 0x1a, 0x2c, 0x4c, 0x8b}};
/// {540b947e-8b40-45bc-a8a2-6a0b894cbda2}
inline constexpr GUID kDeviceDetail = {0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}};
/// {83da6326-97a6-4088-9453-a1923f573b29}
inline constexpr GUID kInstallDate = {0x83da6326, 0x97a6, 0x4088, {0x94, 0x53, 0xa1, 0x92, 0x3f, 0x57, 0x3b, 0x29}};
/// {a8b865dd-2e3d-4094-ad97-e593a70c75d6}
inline constexpr GUID kDriver = {0xa8b865dd, 0x2e3d, 0x4094, {0xad, 0x97, 0xe5, 0x93, 0xa7, 0x0c, 0x75, 0xd6}};
/// {afd97640-86a3-4210-b67c-289c41aabe55}
inline constexpr GUID kSafeRemoval = {0xafd97640, 0x86a3, 0x4210, {0xb6, 0x7c, 0x28, 0x9c, 0x41, 0xaa, 0xbe, 0x55}};
/// {cf73bb51-3abf-44a2-85e0-9a3dc7a12132}
inline constexpr GUID kDriverPackage = {0xcf73bb51, 0x3abf, 0x44a2, {0x85, 0xe0, 0x9a, 0x3d, 0xc7, 0xa1, 0x21, 0x32}};
/// {4321918b-f69e-470d-a5de-4d88c75ad24b}
inline constexpr GUID kDeviceClass = {0x4321918b, 0xf69e, 0x470d, {0xa5, 0xde, 0x4d, 0x88, 0xc7, 0x5a, 0xd2, 0x4b}};
/// {259abffc-50a7-47ce-af08-68c9a7d73366}
inline constexpr GUID kDeviceClassName = {0x259abffc, 0x50a7, 0x47ce, {0xaf, 0x08, 0x68, 0xc9, 0xa7, 0xd7, 0x33, 0x66}};
/// {d14d3ef3-66cf-4ba2-9d38-0ddb37ab4701}
inline constexpr GUID kDeviceClassRebalance = {
    0xd14d3ef3, 0x66cf, 0x4ba2, {0x9d, 0x38, 0x0d, 0xdb, 0x37, 0xab, 0x47, 0x01}};
/// {713d1703-a2e2-49f5-9214-56472ef3da5c}
inline constexpr GUID kDeviceClassCoInstallers = {
    0x713d1703, 0xa2e2, 0x49f5, {0x92, 0x14, 0x56, 0x47, 0x2e, 0xf3, 0xda, 0x5c}};
/// {026e516e-b814-414b-83cd-856d6fef4822}
inline constexpr GUID kDeviceInterface = {0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}};
/// {14c83a99-0b3f-44b7-be4c-a178d3990564}
inline constexpr GUID kDeviceInterfaceClass = {
    0x14c83a99, 0x0b3f, 0x44b7, {0xbe, 0x4c, 0xa1, 0x78, 0xd3, 0x99, 0x05, 0x64}};
/// {656a3bb3-ecc0-43fd-8477-4ae0404a96cd}
inline constexpr GUID kContainerName = {0x656a3bb3, 0xecc0, 0x43fd, {0x84, 0x77, 0x4a, 0xe0, 0x40, 0x4a, 0x96, 0xcd}};
}  // namespace property_sets

/// How a row's value text is shown: as it comes, or decoded as a device-node status word.
enum class PropertyKind { plain, devNodeStatus };

struct DevicePropertyRow {
  const char* label;  // the key's published name without its prefix, then " : "
  DEVPROPKEY key;
  PropertyKind kind = PropertyKind::plain;
};

inline constexpr std::size_t kDevicePropertyCount = 185;

/// Every property the report reads, in the order of its lines. The order is part of the output format: it
/// follows the runs of rows as they are grouped here, not the property sets or the identifiers.
inline constexpr std::array<DevicePropertyRow, kDevicePropertyCount> DevicePropertyCatalogue = {{
    // Run 1, row 1.
    {"NAME : ", {property_sets::kName, 10}},
    // Run 2, rows 2-35.
    {"Device_DeviceDesc : ", {property_sets::kDevice, 2}},
    {"Device_HardwareIds : ", {property_sets::kDevice, 3}},
    {"Device_CompatibleIds : ", {property_sets::kDevice, 4}},
    {"Device_Service : ", {property_sets::kDevice, 6}},
    {"Device_Class : ", {property_sets::kDevice, 9}},
    {"Device_ClassGuid : ", {property_sets::kDevice, 10}},
    {"Device_Driver : ", {property_sets::kDevice, 11}},
    {"Device_ConfigFlags : ", {property_sets::kDevice, 12}},
    {"Device_Manufacturer : ", {property_sets::kDevice, 13}},
    {"Device_FriendlyName : ", {property_sets::kDevice, 14}},
    {"Device_LocationInfo : ", {property_sets::kDevice, 15}},
    {"Device_PDOName : ", {property_sets::kDevice, 16}},
    {"Device_Capabilities : ", {property_sets::kDevice, 17}},
    {"Device_UINumber : ", {property_sets::kDevice, 18}},
    {"Device_UpperFilters : ", {property_sets::kDevice, 19}},
    {"Device_LowerFilters : ", {property_sets::kDevice, 20}},
    {"Device_BusTypeGuid : ", {property_sets::kDevice, 21}},
    {"Device_LegacyBusType : ", {property_sets::kDevice, 22}},
    {"Device_BusNumber : ", {property_sets::kDevice, 23}},
    {"Device_EnumeratorName : ", {property_sets::kDevice, 24}},
    {"Device_Security : ", {property_sets::kDevice, 25}},
    {"Device_SecuritySDS : ", {property_sets::kDevice, 26}},
    {"Device_DevType : ", {property_sets::kDevice, 27}},
    {"Device_Exclusive : ", {property_sets::kDevice, 28}},
    {"Device_Characteristics : ", {property_sets::kDevice, 29}},
    {"Device_Address : ", {property_sets::kDevice, 30}},
    {"Device_UINumberDescFormat : ", {property_sets::kDevice, 31}},
    {"Device_PowerData : ", {property_sets::kDevice, 32}},
    {"Device_RemovalPolicy : ", {property_sets::kDevice, 33}},
    {"Device_RemovalPolicyDefault : ", {property_sets::kDevice, 34}},
    {"Device_RemovalPolicyOverride : ", {property_sets::kDevice, 35}},
    {"Device_InstallState : ", {property_sets::kDevice, 36}},
    {"Device_LocationPaths : ", {property_sets::kDevice, 37}},
    {"Device_BaseContainerId : ", {property_sets::kDevice, 38}},
    // Run 3, row 36.
    {"Device_InstanceId : ", {property_sets::kDeviceContainer, 256}},
    // Run 4, rows 37-47.
    {"Device_DevNodeStatus : ", {property_sets::kDevNode, 2}, PropertyKind::devNodeStatus},
    {"Device_ProblemCode : ", {property_sets::kDevNode, 3}},
    {"Device_EjectionRelations : ", {property_sets::kDevNode, 4}},
    {"Device_RemovalRelations : ", {property_sets::kDevNode, 5}},
    {"Device_PowerRelations : ", {property_sets::kDevNode, 6}},
    {"Device_BusRelations : ", {property_sets::kDevNode, 7}},
    {"Device_Parent : ", {property_sets::kDevNode, 8}},
    {"Device_Children : ", {property_sets::kDevNode, 9}},
    {"Device_Siblings : ", {property_sets::kDevNode, 10}},
    {"Device_TransportRelations : ", {property_sets::kDevNode, 11}},
    {"Device_ProblemStatus : ", {property_sets::kDevNode, 12}},
    // Run 5, rows 48-49.
    {"Device_Reported : ", {property_sets::kReported, 2}},
    {"Device_Legacy : ", {property_sets::kReported, 3}},
    // Run 6, rows 50-51.
    {"Device_ContainerId : ", {property_sets::kContainerId, 2}},
    {"Device_InLocalMachineContainer : ", {property_sets::kContainerId, 4}},
    // Run 7, row 52.
    {"Device_Model : ", {property_sets::kDeviceContainer, 39}},
    // Run 8, rows 53-59.
    {"Device_ModelId : ", {property_sets::kModelId, 2}},
    {"Device_FriendlyNameAttributes : ", {property_sets::kModelId, 3}},
    {"Device_ManufacturerAttributes : ", {property_sets::kModelId, 4}},
    {"Device_PresenceNotForDevice : ", {property_sets::kModelId, 5}},
    {"Device_SignalStrength : ", {property_sets::kModelId, 6}},
    {"Device_IsAssociateableByUserAction : ", {property_sets::kModelId, 7}},
    {"Device_ShowInUninstallUI : ", {property_sets::kModelId, 8}},
    // Run 9, rows 60-78.
    {"Device_Numa_Proximity_Domain : ", {property_sets::kDeviceDetail, 1}},
    {"Device_DHP_Rebalance_Policy : ", {property_sets::kDeviceDetail, 2}},
    {"Device_Numa_Node : ", {property_sets::kDeviceDetail, 3}},
    {"Device_BusReportedDeviceDesc : ", {property_sets::kDeviceDetail, 4}},
    {"Device_IsPresent : ", {property_sets::kDeviceDetail, 5}},
    {"Device_HasProblem : ", {property_sets::kDeviceDetail, 6}},
    {"Device_ConfigurationId : ", {property_sets::kDeviceDetail, 7}},
    {"Device_ReportedDeviceIdsHash : ", {property_sets::kDeviceDetail, 8}},
    {"Device_PhysicalDeviceLocation : ", {property_sets::kDeviceDetail, 9}},
    {"Device_BiosDeviceName : ", {property_sets::kDeviceDetail, 10}},
    {"Device_DriverProblemDesc : ", {property_sets::kDeviceDetail, 11}},
    {"Device_DebuggerSafe : ", {property_sets::kDeviceDetail, 12}},
    {"Device_PostInstallInProgress : ", {property_sets::kDeviceDetail, 13}},
    {"Device_Stack : ", {property_sets::kDeviceDetail, 14}},
    {"Device_ExtendedConfigurationIds : ", {property_sets::kDeviceDetail, 15}},
    {"Device_IsRebootRequired : ", {property_sets::kDeviceDetail, 16}},
    {"Device_FirmwareDate : ", {property_sets::kDeviceDetail, 17}},
    {"Device_FirmwareVersion : ", {property_sets::kDeviceDetail, 18}},
    {"Device_FirmwareRevision : ", {property_sets::kDeviceDetail, 19}},
    // Run 10, rows 79-83.
    {"Device_SessionId : ", {property_sets::kInstallDate, 6}},
    {"Device_InstallDate : ", {property_sets::kInstallDate, 100}},
    {"Device_FirstInstallDate : ", {property_sets::kInstallDate, 101}},
    {"Device_LastArrivalDate : ", {property_sets::kInstallDate, 102}},
    {"Device_LastRemovalDate : ", {property_sets::kInstallDate, 103}},
    // Run 11, rows 84-100.
    {"Device_DriverDate : ", {property_sets::kDriver, 2}},
    {"Device_DriverVersion : ", {property_sets::kDriver, 3}},
    {"Device_DriverDesc : ", {property_sets::kDriver, 4}},
    {"Device_DriverInfPath : ", {property_sets::kDriver, 5}},
    {"Device_DriverInfSection : ", {property_sets::kDriver, 6}},
    {"Device_DriverInfSectionExt : ", {property_sets::kDriver, 7}},
    {"Device_MatchingDeviceId : ", {property_sets::kDriver, 8}},
    {"Device_DriverProvider : ", {property_sets::kDriver, 9}},
    {"Device_DriverPropPageProvider : ", {property_sets::kDriver, 10}},
    {"Device_DriverCoInstallers : ", {property_sets::kDriver, 11}},
    {"Device_ResourcePickerTags : ", {property_sets::kDriver, 12}},
    {"Device_ResourcePickerExceptions : ", {property_sets::kDriver, 13}},
    {"Device_DriverRank : ", {property_sets::kDriver, 14}},
    {"Device_DriverLogoLevel : ", {property_sets::kDriver, 15}},
    {"Device_NoConnectSound : ", {property_sets::kDriver, 17}},
    {"Device_GenericDriverInstalled : ", {property_sets::kDriver, 18}},
    {"Device_AdditionalSoftwareRequested : ", {property_sets::kDriver, 19}},
    // Run 12, rows 101-102.
    {"Device_SafeRemovalRequired : ", {property_sets::kSafeRemoval, 2}},
    {"Device_SafeRemovalRequiredOverride : ", {property_sets::kSafeRemoval, 3}},
    // Run 13, rows 103-108.
    {"DrvPkg_Model : ", {property_sets::kDriverPackage, 2}},
    {"DrvPkg_VendorWebSite : ", {property_sets::kDriverPackage, 3}},
    {"DrvPkg_DetailedDescription : ", {property_sets::kDriverPackage, 4}},
    {"DrvPkg_DocumentationLink : ", {property_sets::kDriverPackage, 5}},
    {"DrvPkg_Icon : ", {property_sets::kDriverPackage, 6}},
    {"DrvPkg_BrandingIcon : ", {property_sets::kDriverPackage, 7}},
    // Run 14, rows 109-115.
    {"DeviceClass_UpperFilters : ", {property_sets::kDeviceClass, 19}},
    {"DeviceClass_LowerFilters : ", {property_sets::kDeviceClass, 20}},
    {"DeviceClass_Security : ", {property_sets::kDeviceClass, 25}},
    {"DeviceClass_SecuritySDS : ", {property_sets::kDeviceClass, 26}},
    {"DeviceClass_DevType : ", {property_sets::kDeviceClass, 27}},
    {"DeviceClass_Exclusive : ", {property_sets::kDeviceClass, 28}},
    {"DeviceClass_Characteristics : ", {property_sets::kDeviceClass, 29}},
    // Run 15, rows 116-126.
    {"DeviceClass_Name : ", {property_sets::kDeviceClassName, 2}},
    {"DeviceClass_ClassName : ", {property_sets::kDeviceClassName, 3}},
    {"DeviceClass_Icon : ", {property_sets::kDeviceClassName, 4}},
    {"DeviceClass_ClassInstaller : ", {property_sets::kDeviceClassName, 5}},
    {"DeviceClass_PropPageProvider : ", {property_sets::kDeviceClassName, 6}},
    {"DeviceClass_NoInstallClass : ", {property_sets::kDeviceClassName, 7}},
    {"DeviceClass_NoDisplayClass : ", {property_sets::kDeviceClassName, 8}},
    {"DeviceClass_SilentInstall : ", {property_sets::kDeviceClassName, 9}},
    {"DeviceClass_NoUseClass : ", {property_sets::kDeviceClassName, 10}},
    {"DeviceClass_DefaultService : ", {property_sets::kDeviceClassName, 11}},
    {"DeviceClass_IconPath : ", {property_sets::kDeviceClassName, 12}},
    // Run 16, row 127.
    {"DeviceClass_DHPRebalanceOptOut : ", {property_sets::kDeviceClassRebalance, 2}},
    // Run 17, row 128.
    {"DeviceClass_ClassCoInstallers : ", {property_sets::kDeviceClassCoInstallers, 2}},
    // Run 18, rows 129-133.
    {"DeviceInterface_FriendlyName : ", {property_sets::kDeviceInterface, 2}},
    {"DeviceInterface_Enabled : ", {property_sets::kDeviceInterface, 3}},
    {"DeviceInterface_ClassGuid : ", {property_sets::kDeviceInterface, 4}},
    {"DeviceInterface_ReferenceString : ", {property_sets::kDeviceInterface, 5}},
    {"DeviceInterface_Restricted : ", {property_sets::kDeviceInterface, 6}},
    // Run 19, rows 134-135.
    {"DeviceInterfaceClass_DefaultInterface : ", {property_sets::kDeviceInterfaceClass, 2}},
    {"DeviceInterfaceClass_Name : ", {property_sets::kDeviceInterfaceClass, 3}},
    // Run 20, rows 136-180.
    {"DeviceContainer_Address : ", {property_sets::kDeviceContainer, 51}},
    {"DeviceContainer_DiscoveryMethod : ", {property_sets::kDeviceContainer, 52}},
    {"DeviceContainer_IsEncrypted : ", {property_sets::kDeviceContainer, 53}},
    {"DeviceContainer_IsAuthenticated : ", {property_sets::kDeviceContainer, 54}},
    {"DeviceContainer_IsConnected : ", {property_sets::kDeviceContainer, 55}},
    {"DeviceContainer_IsPaired : ", {property_sets::kDeviceContainer, 56}},
    {"DeviceContainer_Icon : ", {property_sets::kDeviceContainer, 57}},
    {"DeviceContainer_Version : ", {property_sets::kDeviceContainer, 65}},
    {"DeviceContainer_Last_Seen : ", {property_sets::kDeviceContainer, 66}},
    {"DeviceContainer_Last_Connected : ", {property_sets::kDeviceContainer, 67}},
    {"DeviceContainer_IsShowInDisconnectedState : ", {property_sets::kDeviceContainer, 68}},
    {"DeviceContainer_IsLocalMachine : ", {property_sets::kDeviceContainer, 70}},
    {"DeviceContainer_MetadataPath : ", {property_sets::kDeviceContainer, 71}},
    {"DeviceContainer_IsMetadataSearchInProgress : ", {property_sets::kDeviceContainer, 72}},
    {"DeviceContainer_MetadataChecksum : ", {property_sets::kDeviceContainer, 73}},
    {"DeviceContainer_IsNotInterestingForDisplay : ", {property_sets::kDeviceContainer, 74}},
    {"DeviceContainer_LaunchDeviceStageOnDeviceConnect : ", {property_sets::kDeviceContainer, 76}},
    {"DeviceContainer_LaunchDeviceStageFromExplorer : ", {property_sets::kDeviceContainer, 77}},
    {"DeviceContainer_BaselineExperienceId : ", {property_sets::kDeviceContainer, 78}},
    {"DeviceContainer_IsDeviceUniquelyIdentifiable : ", {property_sets::kDeviceContainer, 79}},
    {"DeviceContainer_AssociationArray : ", {property_sets::kDeviceContainer, 80}},
    {"DeviceContainer_DeviceDescription1 : ", {property_sets::kDeviceContainer, 81}},
    {"DeviceContainer_DeviceDescription2 : ", {property_sets::kDeviceContainer, 82}},
    {"DeviceContainer_HasProblem : ", {property_sets::kDeviceContainer, 83}},
    {"DeviceContainer_IsSharedDevice : ", {property_sets::kDeviceContainer, 84}},
    {"DeviceContainer_IsNetworkDevice : ", {property_sets::kDeviceContainer, 85}},
    {"DeviceContainer_IsDefaultDevice : ", {property_sets::kDeviceContainer, 86}},
    {"DeviceContainer_MetadataCabinet : ", {property_sets::kDeviceContainer, 87}},
    {"DeviceContainer_RequiresPairingElevation : ", {property_sets::kDeviceContainer, 88}},
    {"DeviceContainer_ExperienceId : ", {property_sets::kDeviceContainer, 89}},
    {"DeviceContainer_Category : ", {property_sets::kDeviceContainer, 90}},
    {"DeviceContainer_Category_Desc_Singular : ", {property_sets::kDeviceContainer, 91}},
    {"DeviceContainer_Category_Desc_Plural : ", {property_sets::kDeviceContainer, 92}},
    {"DeviceContainer_Category_Icon : ", {property_sets::kDeviceContainer, 93}},
    {"DeviceContainer_CategoryGroup_Desc : ", {property_sets::kDeviceContainer, 94}},
    {"DeviceContainer_CategoryGroup_Icon : ", {property_sets::kDeviceContainer, 95}},
    {"DeviceContainer_PrimaryCategory : ", {property_sets::kDeviceContainer, 97}},
    {"DeviceContainer_UnpairUninstall : ", {property_sets::kDeviceContainer, 98}},
    {"DeviceContainer_RequiresUninstallElevation : ", {property_sets::kDeviceContainer, 99}},
    {"DeviceContainer_DeviceFunctionSubRank : ", {property_sets::kDeviceContainer, 100}},
    {"DeviceContainer_AlwaysShowDeviceAsConnected : ", {property_sets::kDeviceContainer, 101}},
    {"DeviceContainer_ConfigFlags : ", {property_sets::kDeviceContainer, 105}},
    {"DeviceContainer_PrivilegedPackageFamilyNames : ", {property_sets::kDeviceContainer, 106}},
    {"DeviceContainer_CustomPrivilegedPackageFamilyNames : ", {property_sets::kDeviceContainer, 107}},
    {"DeviceContainer_IsRebootRequired : ", {property_sets::kDeviceContainer, 108}},
    // Run 21, rows 181-184.
    {"DeviceContainer_FriendlyName : ", {property_sets::kContainerName, 12288}},
    {"DeviceContainer_Manufacturer : ", {property_sets::kContainerName, 8192}},
    {"DeviceContainer_ModelName : ", {property_sets::kContainerName, 8194}},
    {"DeviceContainer_ModelNumber : ", {property_sets::kContainerName, 8195}},
    // Run 22, row 185.
    {"DeviceContainer_InstallInProgress : ", {property_sets::kInstallDate, 9}},
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

}  // namespace devlist
