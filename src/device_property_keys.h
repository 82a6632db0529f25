// The device property keys the tool reads, by the names the Windows SDK publishes for them (DEVPKEY_...).
// The SDK's devpkey.h defines them only as link-time symbols, behind <initguid.h>; declared here as
// constants, they can key the report's catalogue at compile time and the Linux discovery names the same
// keys when it stores what it found. Nothing else declares them.
#pragma once

#include "platform.h"

namespace devlist {

/// The property sets (format ids) of the keys. One set can hold keys that the report shows apart.
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

}  // namespace devlist

// Each key: its property set and its property id within that set.
inline constexpr DEVPROPKEY DEVPKEY_NAME = {devlist::property_sets::kName, 10};
inline constexpr DEVPROPKEY DEVPKEY_Device_DeviceDesc = {devlist::property_sets::kDevice, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_HardwareIds = {devlist::property_sets::kDevice, 3};
inline constexpr DEVPROPKEY DEVPKEY_Device_CompatibleIds = {devlist::property_sets::kDevice, 4};
inline constexpr DEVPROPKEY DEVPKEY_Device_Service = {devlist::property_sets::kDevice, 6};
inline constexpr DEVPROPKEY DEVPKEY_Device_Class = {devlist::property_sets::kDevice, 9};
inline constexpr DEVPROPKEY DEVPKEY_Device_ClassGuid = {devlist::property_sets::kDevice, 10};
inline constexpr DEVPROPKEY DEVPKEY_Device_Driver = {devlist::property_sets::kDevice, 11};
inline constexpr DEVPROPKEY DEVPKEY_Device_ConfigFlags = {devlist::property_sets::kDevice, 12};
inline constexpr DEVPROPKEY DEVPKEY_Device_Manufacturer = {devlist::property_sets::kDevice, 13};
inline constexpr DEVPROPKEY DEVPKEY_Device_FriendlyName = {devlist::property_sets::kDevice, 14};
inline constexpr DEVPROPKEY DEVPKEY_Device_LocationInfo = {devlist::property_sets::kDevice, 15};
inline constexpr DEVPROPKEY DEVPKEY_Device_PDOName = {devlist::property_sets::kDevice, 16};
inline constexpr DEVPROPKEY DEVPKEY_Device_Capabilities = {devlist::property_sets::kDevice, 17};
inline constexpr DEVPROPKEY DEVPKEY_Device_UINumber = {devlist::property_sets::kDevice, 18};
inline constexpr DEVPROPKEY DEVPKEY_Device_UpperFilters = {devlist::property_sets::kDevice, 19};
inline constexpr DEVPROPKEY DEVPKEY_Device_LowerFilters = {devlist::property_sets::kDevice, 20};
inline constexpr DEVPROPKEY DEVPKEY_Device_BusTypeGuid = {devlist::property_sets::kDevice, 21};
inline constexpr DEVPROPKEY DEVPKEY_Device_LegacyBusType = {devlist::property_sets::kDevice, 22};
inline constexpr DEVPROPKEY DEVPKEY_Device_BusNumber = {devlist::property_sets::kDevice, 23};
inline constexpr DEVPROPKEY DEVPKEY_Device_EnumeratorName = {devlist::property_sets::kDevice, 24};
inline constexpr DEVPROPKEY DEVPKEY_Device_Security = {devlist::property_sets::kDevice, 25};
inline constexpr DEVPROPKEY DEVPKEY_Device_SecuritySDS = {devlist::property_sets::kDevice, 26};
inline constexpr DEVPROPKEY DEVPKEY_Device_DevType = {devlist::property_sets::kDevice, 27};
inline constexpr DEVPROPKEY DEVPKEY_Device_Exclusive = {devlist::property_sets::kDevice, 28};
inline constexpr DEVPROPKEY DEVPKEY_Device_Characteristics = {devlist::property_sets::kDevice, 29};
inline constexpr DEVPROPKEY DEVPKEY_Device_Address = {devlist::property_sets::kDevice, 30};
inline constexpr DEVPROPKEY DEVPKEY_Device_UINumberDescFormat = {devlist::property_sets::kDevice, 31};
inline constexpr DEVPROPKEY DEVPKEY_Device_PowerData = {devlist::property_sets::kDevice, 32};
inline constexpr DEVPROPKEY DEVPKEY_Device_RemovalPolicy = {devlist::property_sets::kDevice, 33};
inline constexpr DEVPROPKEY DEVPKEY_Device_RemovalPolicyDefault = {devlist::property_sets::kDevice, 34};
inline constexpr DEVPROPKEY DEVPKEY_Device_RemovalPolicyOverride = {devlist::property_sets::kDevice, 35};
inline constexpr DEVPROPKEY DEVPKEY_Device_InstallState = {devlist::property_sets::kDevice, 36};
inline constexpr DEVPROPKEY DEVPKEY_Device_LocationPaths = {devlist::property_sets::kDevice, 37};
inline constexpr DEVPROPKEY DEVPKEY_Device_BaseContainerId = {devlist::property_sets::kDevice, 38};
inline constexpr DEVPROPKEY DEVPKEY_Device_InstanceId = {devlist::property_sets::kDeviceContainer, 256};
inline constexpr DEVPROPKEY DEVPKEY_Device_DevNodeStatus = {devlist::property_sets::kDevNode, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_ProblemCode = {devlist::property_sets::kDevNode, 3};
inline constexpr DEVPROPKEY DEVPKEY_Device_EjectionRelations = {devlist::property_sets::kDevNode, 4};
inline constexpr DEVPROPKEY DEVPKEY_Device_RemovalRelations = {devlist::property_sets::kDevNode, 5};
inline constexpr DEVPROPKEY DEVPKEY_Device_PowerRelations = {devlist::property_sets::kDevNode, 6};
inline constexpr DEVPROPKEY DEVPKEY_Device_BusRelations = {devlist::property_sets::kDevNode, 7};
inline constexpr DEVPROPKEY DEVPKEY_Device_Parent = {devlist::property_sets::kDevNode, 8};
inline constexpr DEVPROPKEY DEVPKEY_Device_Children = {devlist::property_sets::kDevNode, 9};
inline constexpr DEVPROPKEY DEVPKEY_Device_Siblings = {devlist::property_sets::kDevNode, 10};
inline constexpr DEVPROPKEY DEVPKEY_Device_TransportRelations = {devlist::property_sets::kDevNode, 11};
inline constexpr DEVPROPKEY DEVPKEY_Device_ProblemStatus = {devlist::property_sets::kDevNode, 12};
inline constexpr DEVPROPKEY DEVPKEY_Device_Reported = {devlist::property_sets::kReported, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_Legacy = {devlist::property_sets::kReported, 3};
inline constexpr DEVPROPKEY DEVPKEY_Device_ContainerId = {devlist::property_sets::kContainerId, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_InLocalMachineContainer = {devlist::property_sets::kContainerId, 4};
inline constexpr DEVPROPKEY DEVPKEY_Device_Model = {devlist::property_sets::kDeviceContainer, 39};
inline constexpr DEVPROPKEY DEVPKEY_Device_ModelId = {devlist::property_sets::kModelId, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_FriendlyNameAttributes = {devlist::property_sets::kModelId, 3};
inline constexpr DEVPROPKEY DEVPKEY_Device_ManufacturerAttributes = {devlist::property_sets::kModelId, 4};
inline constexpr DEVPROPKEY DEVPKEY_Device_PresenceNotForDevice = {devlist::property_sets::kModelId, 5};
inline constexpr DEVPROPKEY DEVPKEY_Device_SignalStrength = {devlist::property_sets::kModelId, 6};
inline constexpr DEVPROPKEY DEVPKEY_Device_IsAssociateableByUserAction = {devlist::property_sets::kModelId, 7};
inline constexpr DEVPROPKEY DEVPKEY_Device_ShowInUninstallUI = {devlist::property_sets::kModelId, 8};
inline constexpr DEVPROPKEY DEVPKEY_Device_Numa_Proximity_Domain = {devlist::property_sets::kDeviceDetail, 1};
inline constexpr DEVPROPKEY DEVPKEY_Device_DHP_Rebalance_Policy = {devlist::property_sets::kDeviceDetail, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_Numa_Node = {devlist::property_sets::kDeviceDetail, 3};
inline constexpr DEVPROPKEY DEVPKEY_Device_BusReportedDeviceDesc = {devlist::property_sets::kDeviceDetail, 4};
inline constexpr DEVPROPKEY DEVPKEY_Device_IsPresent = {devlist::property_sets::kDeviceDetail, 5};
inline constexpr DEVPROPKEY DEVPKEY_Device_HasProblem = {devlist::property_sets::kDeviceDetail, 6};
inline constexpr DEVPROPKEY DEVPKEY_Device_ConfigurationId = {devlist::property_sets::kDeviceDetail, 7};
inline constexpr DEVPROPKEY DEVPKEY_Device_ReportedDeviceIdsHash = {devlist::property_sets::kDeviceDetail, 8};
inline constexpr DEVPROPKEY DEVPKEY_Device_PhysicalDeviceLocation = {devlist::property_sets::kDeviceDetail, 9};
inline constexpr DEVPROPKEY DEVPKEY_Device_BiosDeviceName = {devlist::property_sets::kDeviceDetail, 10};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverProblemDesc = {devlist::property_sets::kDeviceDetail, 11};
inline constexpr DEVPROPKEY DEVPKEY_Device_DebuggerSafe = {devlist::property_sets::kDeviceDetail, 12};
inline constexpr DEVPROPKEY DEVPKEY_Device_PostInstallInProgress = {devlist::property_sets::kDeviceDetail, 13};
inline constexpr DEVPROPKEY DEVPKEY_Device_Stack = {devlist::property_sets::kDeviceDetail, 14};
inline constexpr DEVPROPKEY DEVPKEY_Device_ExtendedConfigurationIds = {devlist::property_sets::kDeviceDetail, 15};
inline constexpr DEVPROPKEY DEVPKEY_Device_IsRebootRequired = {devlist::property_sets::kDeviceDetail, 16};
inline constexpr DEVPROPKEY DEVPKEY_Device_FirmwareDate = {devlist::property_sets::kDeviceDetail, 17};
inline constexpr DEVPROPKEY DEVPKEY_Device_FirmwareVersion = {devlist::property_sets::kDeviceDetail, 18};
inline constexpr DEVPROPKEY DEVPKEY_Device_FirmwareRevision = {devlist::property_sets::kDeviceDetail, 19};
inline constexpr DEVPROPKEY DEVPKEY_Device_SessionId = {devlist::property_sets::kInstallDate, 6};
inline constexpr DEVPROPKEY DEVPKEY_Device_InstallDate = {devlist::property_sets::kInstallDate, 100};
inline constexpr DEVPROPKEY DEVPKEY_Device_FirstInstallDate = {devlist::property_sets::kInstallDate, 101};
inline constexpr DEVPROPKEY DEVPKEY_Device_LastArrivalDate = {devlist::property_sets::kInstallDate, 102};
inline constexpr DEVPROPKEY DEVPKEY_Device_LastRemovalDate = {devlist::property_sets::kInstallDate, 103};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverDate = {devlist::property_sets::kDriver, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverVersion = {devlist::property_sets::kDriver, 3};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverDesc = {devlist::property_sets::kDriver, 4};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverInfPath = {devlist::property_sets::kDriver, 5};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverInfSection = {devlist::property_sets::kDriver, 6};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverInfSectionExt = {devlist::property_sets::kDriver, 7};
inline constexpr DEVPROPKEY DEVPKEY_Device_MatchingDeviceId = {devlist::property_sets::kDriver, 8};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverProvider = {devlist::property_sets::kDriver, 9};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverPropPageProvider = {devlist::property_sets::kDriver, 10};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverCoInstallers = {devlist::property_sets::kDriver, 11};
inline constexpr DEVPROPKEY DEVPKEY_Device_ResourcePickerTags = {devlist::property_sets::kDriver, 12};
inline constexpr DEVPROPKEY DEVPKEY_Device_ResourcePickerExceptions = {devlist::property_sets::kDriver, 13};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverRank = {devlist::property_sets::kDriver, 14};
inline constexpr DEVPROPKEY DEVPKEY_Device_DriverLogoLevel = {devlist::property_sets::kDriver, 15};
inline constexpr DEVPROPKEY DEVPKEY_Device_NoConnectSound = {devlist::property_sets::kDriver, 17};
inline constexpr DEVPROPKEY DEVPKEY_Device_GenericDriverInstalled = {devlist::property_sets::kDriver, 18};
inline constexpr DEVPROPKEY DEVPKEY_Device_AdditionalSoftwareRequested = {devlist::property_sets::kDriver, 19};
inline constexpr DEVPROPKEY DEVPKEY_Device_SafeRemovalRequired = {devlist::property_sets::kSafeRemoval, 2};
inline constexpr DEVPROPKEY DEVPKEY_Device_SafeRemovalRequiredOverride = {devlist::property_sets::kSafeRemoval, 3};
inline constexpr DEVPROPKEY DEVPKEY_DrvPkg_Model = {devlist::property_sets::kDriverPackage, 2};
inline constexpr DEVPROPKEY DEVPKEY_DrvPkg_VendorWebSite = {devlist::property_sets::kDriverPackage, 3};
inline constexpr DEVPROPKEY DEVPKEY_DrvPkg_DetailedDescription = {devlist::property_sets::kDriverPackage, 4};
inline constexpr DEVPROPKEY DEVPKEY_DrvPkg_DocumentationLink = {devlist::property_sets::kDriverPackage, 5};
inline constexpr DEVPROPKEY DEVPKEY_DrvPkg_Icon = {devlist::property_sets::kDriverPackage, 6};
inline constexpr DEVPROPKEY DEVPKEY_DrvPkg_BrandingIcon = {devlist::property_sets::kDriverPackage, 7};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_UpperFilters = {devlist::property_sets::kDeviceClass, 19};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_LowerFilters = {devlist::property_sets::kDeviceClass, 20};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_Security = {devlist::property_sets::kDeviceClass, 25};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_SecuritySDS = {devlist::property_sets::kDeviceClass, 26};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_DevType = {devlist::property_sets::kDeviceClass, 27};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_Exclusive = {devlist::property_sets::kDeviceClass, 28};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_Characteristics = {devlist::property_sets::kDeviceClass, 29};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_Name = {devlist::property_sets::kDeviceClassName, 2};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_ClassName = {devlist::property_sets::kDeviceClassName, 3};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_Icon = {devlist::property_sets::kDeviceClassName, 4};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_ClassInstaller = {devlist::property_sets::kDeviceClassName, 5};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_PropPageProvider = {devlist::property_sets::kDeviceClassName, 6};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_NoInstallClass = {devlist::property_sets::kDeviceClassName, 7};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_NoDisplayClass = {devlist::property_sets::kDeviceClassName, 8};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_SilentInstall = {devlist::property_sets::kDeviceClassName, 9};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_NoUseClass = {devlist::property_sets::kDeviceClassName, 10};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_DefaultService = {devlist::property_sets::kDeviceClassName, 11};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_IconPath = {devlist::property_sets::kDeviceClassName, 12};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_DHPRebalanceOptOut = {devlist::property_sets::kDeviceClassRebalance, 2};
inline constexpr DEVPROPKEY DEVPKEY_DeviceClass_ClassCoInstallers = {
    devlist::property_sets::kDeviceClassCoInstallers, 2};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterface_FriendlyName = {devlist::property_sets::kDeviceInterface, 2};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterface_Enabled = {devlist::property_sets::kDeviceInterface, 3};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterface_ClassGuid = {devlist::property_sets::kDeviceInterface, 4};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterface_ReferenceString = {devlist::property_sets::kDeviceInterface, 5};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterface_Restricted = {devlist::property_sets::kDeviceInterface, 6};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterfaceClass_DefaultInterface = {
    devlist::property_sets::kDeviceInterfaceClass, 2};
inline constexpr DEVPROPKEY DEVPKEY_DeviceInterfaceClass_Name = {devlist::property_sets::kDeviceInterfaceClass, 3};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Address = {devlist::property_sets::kDeviceContainer, 51};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_DiscoveryMethod = {devlist::property_sets::kDeviceContainer, 52};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsEncrypted = {devlist::property_sets::kDeviceContainer, 53};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsAuthenticated = {devlist::property_sets::kDeviceContainer, 54};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsConnected = {devlist::property_sets::kDeviceContainer, 55};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsPaired = {devlist::property_sets::kDeviceContainer, 56};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Icon = {devlist::property_sets::kDeviceContainer, 57};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Version = {devlist::property_sets::kDeviceContainer, 65};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Last_Seen = {devlist::property_sets::kDeviceContainer, 66};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Last_Connected = {devlist::property_sets::kDeviceContainer, 67};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsShowInDisconnectedState = {
    devlist::property_sets::kDeviceContainer, 68};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsLocalMachine = {devlist::property_sets::kDeviceContainer, 70};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_MetadataPath = {devlist::property_sets::kDeviceContainer, 71};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsMetadataSearchInProgress = {
    devlist::property_sets::kDeviceContainer, 72};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_MetadataChecksum = {devlist::property_sets::kDeviceContainer, 73};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsNotInterestingForDisplay = {
    devlist::property_sets::kDeviceContainer, 74};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_LaunchDeviceStageOnDeviceConnect = {
    devlist::property_sets::kDeviceContainer, 76};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_LaunchDeviceStageFromExplorer = {
    devlist::property_sets::kDeviceContainer, 77};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_BaselineExperienceId = {
    devlist::property_sets::kDeviceContainer, 78};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsDeviceUniquelyIdentifiable = {
    devlist::property_sets::kDeviceContainer, 79};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_AssociationArray = {devlist::property_sets::kDeviceContainer, 80};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_DeviceDescription1 = {devlist::property_sets::kDeviceContainer, 81};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_DeviceDescription2 = {devlist::property_sets::kDeviceContainer, 82};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_HasProblem = {devlist::property_sets::kDeviceContainer, 83};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsSharedDevice = {devlist::property_sets::kDeviceContainer, 84};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsNetworkDevice = {devlist::property_sets::kDeviceContainer, 85};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsDefaultDevice = {devlist::property_sets::kDeviceContainer, 86};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_MetadataCabinet = {devlist::property_sets::kDeviceContainer, 87};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_RequiresPairingElevation = {
    devlist::property_sets::kDeviceContainer, 88};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_ExperienceId = {devlist::property_sets::kDeviceContainer, 89};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Category = {devlist::property_sets::kDeviceContainer, 90};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Category_Desc_Singular = {
    devlist::property_sets::kDeviceContainer, 91};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Category_Desc_Plural = {
    devlist::property_sets::kDeviceContainer, 92};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Category_Icon = {devlist::property_sets::kDeviceContainer, 93};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_CategoryGroup_Desc = {devlist::property_sets::kDeviceContainer, 94};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_CategoryGroup_Icon = {devlist::property_sets::kDeviceContainer, 95};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_PrimaryCategory = {devlist::property_sets::kDeviceContainer, 97};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_UnpairUninstall = {devlist::property_sets::kDeviceContainer, 98};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_RequiresUninstallElevation = {
    devlist::property_sets::kDeviceContainer, 99};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_DeviceFunctionSubRank = {
    devlist::property_sets::kDeviceContainer, 100};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_AlwaysShowDeviceAsConnected = {
    devlist::property_sets::kDeviceContainer, 101};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_ConfigFlags = {devlist::property_sets::kDeviceContainer, 105};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_PrivilegedPackageFamilyNames = {
    devlist::property_sets::kDeviceContainer, 106};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_CustomPrivilegedPackageFamilyNames = {
    devlist::property_sets::kDeviceContainer, 107};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_IsRebootRequired = {devlist::property_sets::kDeviceContainer, 108};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_FriendlyName = {devlist::property_sets::kContainerName, 12288};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_Manufacturer = {devlist::property_sets::kContainerName, 8192};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_ModelName = {devlist::property_sets::kContainerName, 8194};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_ModelNumber = {devlist::property_sets::kContainerName, 8195};
inline constexpr DEVPROPKEY DEVPKEY_DeviceContainer_InstallInProgress = {devlist::property_sets::kInstallDate, 9};
