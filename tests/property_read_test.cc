#include "property_read.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_model.h"
#include "platform.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::KeyFrom;

class ReadDevicePropertyTest : public testing::OneDeviceTest {
 protected:
  // Sets the property and counts the platform reads of it from now on.
  void Set(DEVPROPTYPE type, std::vector<BYTE> value) {
    model::SetProperty(*device_, key_, type, std::move(value));
    OnRead([](model::Property&, int) { return DWORD{ERROR_SUCCESS}; });
  }

  // Runs `hook` before every read, with the number of the read (1 for the first).
  template <typename F>
  void OnRead(F hook) {
    reads_ = 0;
    model::SetReadHook(*device_, key_, [this, hook](model::Property& p) { return hook(p, ++reads_); });
  }

  // The text of the property, read as the report reads it: through an opened set and its enumerated element.
  std::string Read() {
    return ReadThroughSet([this](HDEVINFO set, SP_DEVINFO_DATA* element) {
      return ReadDeviceProperty(set, element, key_);
    });
  }

  const DEVPROPKEY key_ = KeyFrom("{a45c254e-df1c-4efd-8020-67d146a850e0}", 2);
  int reads_ = 0;
};

std::vector<BYTE> StringBytes(const std::u16string& text) {
  std::vector<BYTE> bytes((text.size() + 1) * 2, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<BYTE>(text[i]);
    bytes[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
  }
  return bytes;
}

TEST_F(ReadDevicePropertyTest, ValuesUpTo256BytesTakeOneReadLongerOnesTwo) {
  const struct {
    std::size_t length;  // characters, plus a NUL in the stored value
    int reads;
  } cases[] = {
      {0, 1}, {1, 1}, {127, 1},  // 256 bytes: exactly the first buffer
      {128, 2},                  // 258 bytes
      {300, 2},
      {5000, 2},
  };
  for (const auto& c : cases) {
    std::u16string text;
    std::string expected;
    for (std::size_t i = 0; i < c.length; ++i) {
      text.push_back(static_cast<char16_t>(u'a' + i % 26));
      expected.push_back(static_cast<char>('a' + i % 26));
    }
    Set(DEVPROP_TYPE_STRING, StringBytes(text));
    EXPECT_EQ(expected, Read()) << c.length;
    EXPECT_EQ(c.reads, reads_) << c.length;
  }
}

TEST_F(ReadDevicePropertyTest, LongStringListIsReadInFull) {
  std::vector<std::u16string> items;
  std::string expected;
  for (int i = 0; i < 40; ++i) {
    items.push_back(u"PCI\\VEN_8086&DEV_0D57_" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)));
    expected += (i == 0 ? "" : "\n\t") + std::string("PCI\\VEN_8086&DEV_0D57_") + static_cast<char>('A' + i % 26);
  }
  model::SetStringListProperty(*device_, key_, items);
  OnRead([](model::Property&, int) { return DWORD{ERROR_SUCCESS}; });
  EXPECT_EQ(expected, Read());
  EXPECT_EQ(2, reads_);
}

TEST_F(ReadDevicePropertyTest, EmptyAndNullThatReadWellAreShown) {
  Set(DEVPROP_TYPE_EMPTY, {});
  EXPECT_EQ("empty", Read());
  EXPECT_EQ(1, reads_);
  Set(DEVPROP_TYPE_NULL, {});
  EXPECT_EQ("null", Read());
  EXPECT_EQ(1, reads_);
}

TEST_F(ReadDevicePropertyTest, AbsentPropertyHasNoText) {
  // The platform answers ERROR_NOT_FOUND and writes DEVPROP_TYPE_EMPTY; that type is not the property's.
  model::SetUint32Property(*device_, KeyFrom("{a45c254e-df1c-4efd-8020-67d146a850e0}", 3), 7);
  EXPECT_EQ("", Read());
}

TEST_F(ReadDevicePropertyTest, FirstReadFailureOtherThanTooSmallHasNoText) {
  const struct {
    DWORD error;
  } cases[] = {{ERROR_INVALID_DATA}, {ERROR_NOT_FOUND}, {5}};
  for (const auto& c : cases) {
    Set(DEVPROP_TYPE_STRING, StringBytes(u"Disk drive"));
    const DWORD error = c.error;
    OnRead([error](model::Property&, int) { return error; });
    EXPECT_EQ("", Read()) << c.error;
    EXPECT_EQ(1, reads_) << "no retry after " << c.error;
  }
}

TEST_F(ReadDevicePropertyTest, ValueThatGrowsBetweenTheReadsIsAnError) {
  Set(DEVPROP_TYPE_STRING, StringBytes(std::u16string(200, u'x')));
  OnRead([](model::Property& p, int read) {
    if (read == 2) p.value = StringBytes(std::u16string(400, u'y'));
    return DWORD{ERROR_SUCCESS};
  });
  EXPECT_EQ("Error retrieving property: 122", Read());
  EXPECT_EQ(2, reads_);
}

TEST_F(ReadDevicePropertyTest, SecondReadFailureShowsItsCode) {
  Set(DEVPROP_TYPE_STRING, StringBytes(std::u16string(200, u'x')));
  OnRead([](model::Property&, int read) { return read == 2 ? DWORD{ERROR_INVALID_DATA} : DWORD{ERROR_SUCCESS}; });
  EXPECT_EQ("Error retrieving property: 13", Read());
  EXPECT_EQ(2, reads_);
}

TEST_F(ReadDevicePropertyTest, NumbersAndFileTimesComeBackAsText) {
  model::SetUint32Property(*device_, key_, 25174026);
  EXPECT_EQ("25174026", Read());
  Set(DEVPROP_TYPE_FILETIME, {0xE0, 0x44, 0x9E, 0x95, 0x3E, 0xE0, 0xD6, 0x01});  // 132539798456780000
  EXPECT_EQ("2021-01-01 13:04:05.678", Read());
}

// A report reads every property through one buffer: what a longer value left in it never shows in the next.
TEST_F(ReadDevicePropertyTest, OneBufferForManyReadsKeepsNothingOfTheLast) {
  const struct {
    DEVPROPTYPE type;
    std::vector<BYTE> value;
  } cases[] = {
      {DEVPROP_TYPE_STRING, StringBytes(std::u16string(300, u'x'))},
      {DEVPROP_TYPE_STRING, {'a', 0, 'b', 0}},  // no NUL of its own
      {DEVPROP_TYPE_STRING, StringBytes(std::u16string(100, u'y'))},
      {DEVPROP_TYPE_STRING_LIST, {'c', 0}},
      {DEVPROP_TYPE_UINT32, {7, 0, 0, 0}},
  };
  RawDeviceProperty scratch;
  for (const auto& c : cases) {
    Set(c.type, c.value);
    const std::string alone = Read();
    EXPECT_EQ(alone, ReadThroughSet([this, &scratch](HDEVINFO set, SP_DEVINFO_DATA* element) {
                return ReadDeviceProperty(set, element, key_, scratch);
              }))
        << alone;
  }
}

}  // namespace
}  // namespace devlist
