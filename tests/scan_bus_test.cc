// The scan of the platform, SPI, I2C, serial, MMC, SDIO and serio buses over small trees: every bound device
// no other scan lists, once, under the class its function has and below the nearest device listed above it.
#include <algorithm>
#include <string>
#include <vector>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::ClassOf;
using testing::IdsStartingWith;
using testing::InterfacePathsOf;
using testing::ScratchTree;
using testing::TextProperty;

using ScanBusTest = testing::DeviceModelTest;

// A device on a bus, with the link to its bus that every device has.
void OnBus(const ScratchTree& t, const std::string& bus, const std::string& path, const std::string& driver = "",
           const std::string& uevent = "") {
  t.BusDevice(bus, path, driver, uevent);
  t.LinkTo(path + "/subsystem", "bus/" + bus);
}

// A device-tree node for a device, and the uevent lines the kernel writes for it.
std::string OfDevice(const ScratchTree& t, const std::string& path, const std::string& compatible) {
  t.Dir("firmware/devicetree/base/" + compatible);
  t.LinkTo(path + "/of_node", "firmware/devicetree/base/" + compatible);
  return "OF_COMPATIBLE_0=" + compatible + "\nOF_COMPATIBLE_N=1\n";
}

// An ACPI device that names `physical` as its device, and that device's link back to it.
void AcpiDevice(const ScratchTree& t, const std::string& acpi, const std::string& hid, const std::string& physical,
                const std::string& modalias = "") {
  OnBus(t, "acpi", acpi);
  if (!hid.empty()) t.File(acpi + "/hid", hid + "\n");
  if (!modalias.empty()) t.File(acpi + "/modalias", modalias + "\n");
  t.LinkTo(acpi + "/physical_node", physical);
  t.LinkTo(physical + "/firmware_node", acpi);
}

void BuildDeviceTreeBoard(const ScratchTree& t) {
  const std::string soc = "devices/platform/soc";
  const std::string i2c = soc + "/fe804000.i2c";
  OnBus(t, "platform", i2c, "i2c-bcm2835", OfDevice(t, i2c, "brcm,bcm2711-i2c"));
  OnBus(t, "platform", soc + "/fe00b880.mailbox", "", OfDevice(t, soc + "/fe00b880.mailbox", "brcm,mbox"));
  const std::string uart = soc + "/fe201000.serial";
  OnBus(t, "platform", uart, "uart-pl011", OfDevice(t, uart, "arm,pl011"));
  t.ClassDevice("tty", uart + "/tty/ttyAMA0");
  t.File(uart + "/tty/ttyAMA0/type", "32\n");
  t.LinkTo(uart + "/tty/ttyAMA0/device", uart);
  // A temperature sensor is a sensor with its hwmon node; a dummy client is another address of a chip.
  const std::string lm75 = i2c + "/i2c-1/1-0048";
  OnBus(t, "i2c", lm75, "lm75", "MODALIAS=i2c:lm75\n");
  t.ClassDevice("hwmon", lm75 + "/hwmon/hwmon1");
  t.File(lm75 + "/hwmon/hwmon1/name", "lm75\n");
  OnBus(t, "i2c", i2c + "/i2c-1/1-0051", "dummy", "MODALIAS=i2c:dummy\n");
  // Without firmware of its own, an I2C HID device is the transport of the HID device below it.
  const std::string touch = i2c + "/i2c-1/1-002c";
  OnBus(t, "i2c", touch, "i2c_hid_of", OfDevice(t, touch, "hid-over-i2c"));
  OnBus(t, "hid", touch + "/0018:04F3:3082.0001", "hid-multitouch");
  // A fingerprint sensor that its firmware names so.
  const std::string spi = soc + "/fe204000.spi/spi_master/spi0/spi0.0";
  OnBus(t, "spi", spi, "spidev", "MODALIAS=of:NfingerprintT(null)Cgoodix,fingerprint\n");
}

void BuildPcKeyboardController(const ScratchTree& t) {
  // The driver's own devices: named after their driver, without firmware, made by no device above them.
  OnBus(t, "platform", "devices/platform/serial8250", "serial8250");
  OnBus(t, "platform", "devices/platform/i8042", "i8042");
  OnBus(t, "platform", "devices/platform/coretemp.0", "coretemp");
  t.ClassDevice("hwmon", "devices/platform/coretemp.0/hwmon/hwmon2");
  t.File("devices/platform/coretemp.0/hwmon/hwmon2/name", "coretemp\n");
  OnBus(t, "platform", "devices/platform/dmi-ipmi-si.0", "ipmi_si");  // the firmware's, found in its tables
  OnBus(t, "platform", "devices/platform/ipmi_bmc.0100.32", "ipmi");
  // The firmware lists the serial port, on the PNP bus.
  AcpiDevice(t, "devices/LNXSYSTM:00/PNP0501:00", "PNP0501", "devices/pnp0/00:03");
  // A port the firmware names is its keyboard; one it does not, driven raw, is a port of its own.
  OnBus(t, "serio", "devices/platform/i8042/serio0", "atkbd", "MODALIAS=serio:ty06pr00id00ex00\n");
  t.File("devices/platform/i8042/serio0/firmware_id", "PNP: PNP0303\n");
  OnBus(t, "serio", "devices/platform/i8042/serio1", "serio_raw", "MODALIAS=serio:ty01pr00id00ex00\n");
  t.File("devices/platform/i8042/serio1/description", "i8042 AUX port\n");
}

void BuildSpiFingerprint(const ScratchTree& t) {
  // A controller cell shares the firmware node of the PCI function it is part of; the sensor on it is an
  // ACPI device driven from user space.
  const std::string pci = "devices/pci0000:00/0000:00:1e.2";
  t.Pci("0000:00:1e.2", "0x8086", "0x118000");
  AcpiDevice(t, "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0A08:00/device:73", "", pci);
  const std::string cell = pci + "/pxa2xx-spi.3";
  OnBus(t, "platform", cell, "pxa2xx-spi");
  t.LinkTo(cell + "/firmware_node", "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0A08:00/device:73");
  const std::string sensor = cell + "/spi_master/spi0/spi-ELAN7001:00";
  OnBus(t, "spi", sensor, "spidev", "MODALIAS=acpi:ELAN7001:\n");
  AcpiDevice(t, "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0A08:00/device:73/ELAN7001:00", "ELAN7001", sensor);
}

void BuildI2cTouchpad(const ScratchTree& t) {
  const std::string controller = "devices/platform/AMDI0010:00";
  OnBus(t, "platform", controller, "i2c_designware");
  AcpiDevice(t, "devices/LNXSYSTM:00/LNXSYBUS:00/AMDI0010:00", "AMDI0010", controller);
  const std::string pad = controller + "/i2c-0/i2c-SYNA3105:00";
  OnBus(t, "i2c", pad, "i2c_hid_acpi", "MODALIAS=acpi:SYNA3105:PNP0C50:\n");
  AcpiDevice(t, "devices/LNXSYSTM:00/LNXSYBUS:00/AMDI0010:00/SYNA3105:00", "SYNA3105", pad, "acpi:SYNA3105:PNP0C50:");
  OnBus(t, "hid", pad + "/0018:06CB:CE7E.0001", "hid-multitouch");
}

void BuildChromeOsEc(const ScratchTree& t) {
  const std::string lpc = "devices/platform/GOOG0004:00";
  OnBus(t, "platform", lpc, "cros_ec_lpcs");
  AcpiDevice(t, "devices/LNXSYSTM:00/LNXSYBUS:00/GOOG0004:00", "GOOG0004", lpc);
  OnBus(t, "platform", lpc + "/cros-ec-dev.1.auto", "cros-ec-dev", "MODALIAS=platform:cros-ec-dev\n");
  t.ClassDevice("chromeos", lpc + "/cros-ec-dev.1.auto/chromeos/cros_ec");
  // The fingerprint MCU, a second EC on a UART, through its serial device.
  const std::string uart = "devices/platform/AMDI0020:01";
  OnBus(t, "platform", uart, "dw-apb-uart");
  AcpiDevice(t, "devices/LNXSYSTM:00/LNXSYBUS:00/AMDI0020:01", "AMDI0020", uart);
  const std::string serdev = uart + "/AMDI0020:01:0/AMDI0020:01:0.0/serial0/serial0-0";
  OnBus(t, "serial", serdev, "cros-ec-uart", "MODALIAS=of:NcrfpTCgoogle,cros-ec-uart\n");
  OnBus(t, "platform", serdev + "/cros-ec-dev.2.auto", "cros-ec-dev", "MODALIAS=platform:cros-ec-dev\n");
  t.ClassDevice("misc", serdev + "/cros-ec-dev.2.auto/misc/cros_fp");  // its character device, without the class node
}

void BuildSdCard(const ScratchTree& t) {
  const std::string host = "devices/platform/emmc2bus/fe340000.mmc";
  OnBus(t, "platform", host, "sdhci-iproc", OfDevice(t, host, "brcm,bcm2711-emmc2"));
  const std::string card = host + "/mmc_host/mmc0/mmc0:aaaa";
  t.ClassDevice("mmc_host", host + "/mmc_host/mmc0");
  OnBus(t, "mmc", card, "mmcblk", "MODALIAS=mmc:block\n");
  t.File(card + "/type", "SD\n");
  t.File(card + "/name", "SC32G\n");
  t.File(card + "/serial", "0x1234abcd\n");
  t.ClassDevice("block", card + "/block/mmcblk0");
  t.LinkTo(card + "/block/mmcblk0/device", card);
  t.File(card + "/block/mmcblk0/mmcblk0p1/partition", "1\n");
  t.File(card + "/block/mmcblk0/mmcblk0p1/start", "8192\n");
  // The boot and replay-protected areas of the same chip, which are no disks of their own.
  for (const char* area : {"mmcblk0boot0", "mmcblk0boot1", "mmcblk0rpmb"}) {
    t.ClassDevice("block", card + "/block/" + area, std::string("DEVTYPE=disk\nDEVNAME=") + area + "\n");
    t.LinkTo(card + "/block/" + area + "/device", card);
  }
  // A PCI SD host controller is one too, and so is a card reader whose driver's cell is the host.
  t.Pci("0000:00:12.0", "0x8086", "0x080501");
  t.ClassDevice("mmc_host", "devices/pci0000:00/0000:00:12.0/mmc_host/mmc1");
  t.Pci("0000:00:1c.0", "0x10ec", "0xff0000");
  t.LinkTo("devices/pci0000:00/0000:00:1c.0/subsystem", "bus/pci");
  const std::string cell = "devices/pci0000:00/0000:00:1c.0/rtsx_pci_sdmmc.0";
  OnBus(t, "platform", cell, "rtsx_pci_sdmmc");
  t.ClassDevice("mmc_host", cell + "/mmc_host/mmc2");
}

void BuildSdioWifi(const ScratchTree& t) {
  const std::string host = "devices/platform/soc/fe300000.mmcnr";
  OnBus(t, "platform", host, "mmc-bcm2835", OfDevice(t, host, "brcm,bcm2835-mmc"));
  t.ClassDevice("mmc_host", host + "/mmc_host/mmc1");
  const std::string card = host + "/mmc_host/mmc1/mmc1:0001";
  OnBus(t, "mmc", card);  // an SDIO card has no driver of its own; its functions do
  for (const char* fn : {"1", "2"}) {
    const std::string f = card + "/mmc1:0001:" + fn;
    OnBus(t, "sdio", f, "brcmfmac", "MODALIAS=sdio:c00v02D0dA9A6\n");  // one chip, a driver for both functions
    t.File(f + "/vendor", "0x02d0\n");
    t.File(f + "/device", "0xa9a6\n");
    t.File(f + "/class", "0x00\n");
  }
  t.ClassDevice("net", card + "/mmc1:0001:1/net/wlan0");
}

void BuildSdioWifiCore(const ScratchTree& t) {
  // The SDIO glue driver hands the chip to its core driver through a platform cell, which holds the interface.
  const std::string host = "devices/platform/omap_hsmmc.1";
  OnBus(t, "platform", host, "omap_hsmmc", "MODALIAS=platform:omap_hsmmc\n");
  t.ClassDevice("mmc_host", host + "/mmc_host/mmc3");
  const std::string card = host + "/mmc_host/mmc3/mmc3:0001";
  OnBus(t, "mmc", card);
  OnBus(t, "sdio", card + "/mmc3:0001:1", "", "MODALIAS=sdio:c00v0097d4076\n");
  const std::string fn = card + "/mmc3:0001:2";
  OnBus(t, "sdio", fn, "wl1271_sdio", "MODALIAS=sdio:c00v0097d4076\n");
  OnBus(t, "platform", fn + "/wl12xx", "wl12xx_driver", "MODALIAS=platform:wl12xx\n");
  t.ClassDevice("net", fn + "/wl12xx/net/wlan0");
}

void BuildBoardWithoutFirmware(const ScratchTree& t) {
  // Neither ACPI nor a device tree: the board's devices, named after their drivers, are its hardware.
  OnBus(t, "platform", "devices/platform/omap_hsmmc.0", "omap_hsmmc", "MODALIAS=platform:omap_hsmmc\n");
  t.ClassDevice("mmc_host", "devices/platform/omap_hsmmc.0/mmc_host/mmc0");
}

TEST_F(ScanBusTest, BoundDevicesOnceUnderTheClassOfTheirFunction) {
  struct Listed {
    const char* idPrefix;
    const char* cls;
    const char* parentPrefix;  // "" for none
  };
  static const struct {
    const char* what;
    void (*build)(const ScratchTree&);
    std::vector<Listed> listed;
    std::vector<const char*> absent;  // id prefixes that must not be listed
    std::size_t devices;
  } cases[] = {
      {"a device-tree board",
       BuildDeviceTreeBoard,
       {{"PLATFORM\\BRCM_BCM2711-I2C\\", "System", ""},
        {"PLATFORM\\ARM_PL011\\", "Ports", ""},
        {"I2C\\LM75\\", "Sensor", "PLATFORM\\BRCM_BCM2711-I2C\\"},
        {"I2C\\HID-OVER-I2C\\", "HIDClass", "PLATFORM\\BRCM_BCM2711-I2C\\"},
        {"HID\\VID_04F3&PID_3082\\", "HIDClass", "I2C\\HID-OVER-I2C\\"},
        {"SPI\\GOODIX_FINGERPRINT\\", "Biometric", ""}},
       {"PLATFORM\\BRCM_MBOX", "I2C\\DUMMY", "HWMON\\"},
       6},
      {"a PC's keyboard controller and serial port",
       BuildPcKeyboardController,
       {{"ACPI\\PNP0501\\", "Ports", ""},
        {"HWMON\\CORETEMP\\", "Sensor", ""},
        {"PLATFORM\\DMI-IPMI-SI\\", "System", ""},
        {"SERIO\\TY01PR00ID00EX00\\", "System", ""}},
       {"PLATFORM\\SERIAL8250", "PLATFORM\\I8042", "PLATFORM\\CORETEMP", "PLATFORM\\IPMI", "SERIO\\TY06"},
       4},
      {"an SPI fingerprint sensor behind a controller cell",
       BuildSpiFingerprint,
       {{"PCI\\VEN_8086&DEV_1533", "System", ""}, {"ACPI\\ELAN7001\\", "Biometric", "PCI\\VEN_8086&DEV_1533"}},
       {"PLATFORM\\", "SPI\\"},
       2},
      {"an ACPI I2C touchpad",
       BuildI2cTouchpad,
       {{"ACPI\\AMDI0010\\", "System", ""},
        {"ACPI\\SYNA3105\\", "HIDClass", "ACPI\\AMDI0010\\"},
        {"HID\\VID_06CB&PID_CE7E\\", "HIDClass", "ACPI\\SYNA3105\\"}},
       {"PLATFORM\\", "I2C\\"},
       3},
      {"ChromeOS ECs on the LPC bus and on a UART",
       BuildChromeOsEc,
       {{"ACPI\\GOOG0004\\", "System", ""},
        {"PLATFORM\\CROS-EC-DEV\\", "System", "ACPI\\GOOG0004\\"},
        {"ACPI\\AMDI0020\\", "System", ""},
        {"SERIAL\\GOOGLE_CROS-EC-UART\\", "System", "ACPI\\AMDI0020\\"},
        {"PLATFORM\\CROS-EC-DEV\\", "Biometric", "SERIAL\\GOOGLE_CROS-EC-UART\\"}},
       {},
       5},
      {"an SD card with a partition, and a PCI SD host",
       BuildSdCard,
       {{"PLATFORM\\BRCM_BCM2711-EMMC2\\", "SDHost", ""},
        {"MMC\\SD&NAME_SC32G\\", "SDHost", "PLATFORM\\BRCM_BCM2711-EMMC2\\"},
        {"SCSI\\DISK&VEN_SD&PROD_SC32G\\", "DiskDrive", "MMC\\SD&NAME_SC32G\\"},
        {"STORAGE\\VOLUME\\", "Volume", "SCSI\\DISK&VEN_SD&PROD_SC32G\\"},
        {"PCI\\VEN_8086&DEV_1533", "SDHost", ""},
        {"PCI\\VEN_10EC&DEV_1533", "SDHost", ""}},
       {"PLATFORM\\RTSX"},
       6},
      {"a board without firmware tables", BuildBoardWithoutFirmware, {{"PLATFORM\\OMAP_HSMMC\\", "SDHost", ""}}, {}, 1},
      {"an SDIO Wi-Fi function",
       BuildSdioWifi,
       {{"PLATFORM\\BRCM_BCM2835-MMC\\", "SDHost", ""},
        {"SDIO\\VID_02D0&PID_A9A6&FN_1\\", "Net", "PLATFORM\\BRCM_BCM2835-MMC\\"}},
       {"MMC\\", "SDIO\\VID_02D0&PID_A9A6&FN_2", "ROOT\\NET"},
       2},
      {"an SDIO Wi-Fi chip driven through a platform cell",
       BuildSdioWifiCore,
       {{"PLATFORM\\OMAP_HSMMC\\", "SDHost", ""}, {"SDIO\\VID_0097&PID_4076&FN_2\\", "Net", "PLATFORM\\OMAP_HSMMC\\"}},
       {"PLATFORM\\WL12XX", "SDIO\\VID_0097&PID_4076&FN_1", "ROOT\\NET"},
       2},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    c.build(t);
    ScanSysfs(t.root());
    for (const Listed& l : c.listed) {
      std::vector<std::string> ids;
      for (const std::string& id : IdsStartingWith(l.idPrefix)) {
        if (ClassOf(id) == l.cls) ids.push_back(id);
      }
      ASSERT_EQ(1u, ids.size()) << c.what << ": " << l.idPrefix << " " << l.cls;
      const std::string parent = TextProperty(*model::FindDevice(ids[0]), "Device_Parent");
      const std::string want = l.parentPrefix;
      EXPECT_EQ(want, want.empty() ? parent : parent.substr(0, want.size())) << c.what << ": " << l.idPrefix;
    }
    for (const char* prefix : c.absent) EXPECT_TRUE(IdsStartingWith(prefix).empty()) << c.what << ": " << prefix;
    EXPECT_EQ(c.devices, model::Devices().size()) << c.what;
  }
}

TEST_F(ScanBusTest, AttachingScansFindTheListedDevice) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  BuildDeviceTreeBoard(t);
  BuildSdioWifi(t);
  BuildChromeOsEc(t);
  ScanSysfs(t.root());
  const struct {
    const char* idPrefix;
    std::vector<std::string> interfaces;
    const char* name;
  } cases[] = {
      {"PLATFORM\\ARM_PL011\\", {"/dev/ttyAMA0"}, "Communications Port (ttyAMA0)"},
      {"I2C\\LM75\\", {"/sys/class/hwmon/hwmon1"}, "lm75"},
      {"SDIO\\VID_02D0&PID_A9A6&FN_1\\", {"/sys/class/net/wlan0"}, "Network Adapter (wlan0)"},
      {"SPI\\GOODIX_FINGERPRINT\\", {}, "Fingerprint Reader"},
  };
  for (const auto& c : cases) {
    const auto ids = IdsStartingWith(c.idPrefix);
    ASSERT_EQ(1u, ids.size()) << c.idPrefix;
    EXPECT_EQ(c.interfaces, InterfacePathsOf(ids[0])) << c.idPrefix;
    EXPECT_EQ(c.name, TextProperty(*model::FindDevice(ids[0]), "NAME")) << c.idPrefix;
  }
  std::vector<std::string> ecNames;
  for (const std::string& id : IdsStartingWith("PLATFORM\\CROS-EC-DEV\\")) {
    ecNames.push_back(TextProperty(*model::FindDevice(id), "NAME"));
  }
  std::sort(ecNames.begin(), ecNames.end());
  EXPECT_EQ((std::vector<std::string>{"ChromeOS Embedded Controller", "ChromeOS Fingerprint Sensor"}), ecNames);
}

}  // namespace
}  // namespace devlist
