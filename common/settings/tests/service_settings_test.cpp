#include "common/settings/service_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <thread>

#include "common/archive/archive.h"
#include "common/archive/object_buffer.h"
#include "common/archive/tests/test_bytes.h"
#include "common/settings/register_settings.h"
#include "platform/core/text.h"
#include "platform/files/whole_file.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

const std::vector<uint8_t> kDefaultBody =
    Hex("01000000 01000000 0200 00BD 0200 02BD 01000000 0B000000 02000000 FFFFFFFF E8030000 64000000 "
        "06000000 01000000 01000000");

std::vector<uint8_t> Body(cVkObject& object) {
  std::vector<uint8_t> bytes;
  cVkArchive ar(&bytes);
  object.Serialize(ar);
  EXPECT_EQ(ar.Failure(), 0);
  return bytes;
}

int32_t LoadBody(cVkObject& object, const std::vector<uint8_t>& bytes) {
  cVkArchive ar{std::span<const uint8_t>(bytes)};
  object.Serialize(ar);
  return ar.Failure();
}

class ServiceSettings : public ::testing::Test {
 protected:
  void SetUp() override { VkRegisterSettingsClasses(); }
};

TEST_F(ServiceSettings, DefaultsArchiveToThe52Bytes) {
  cVkServiceSettings settings;
  EXPECT_EQ(kDefaultBody.size(), 52u);
  EXPECT_EQ(Body(settings), kDefaultBody);

  auto connection = settings.GetConnection();
  EXPECT_EQ(connection->GetUpdateMode(), 2);
  EXPECT_EQ(connection->GetUpdatePort(), 48384);
  EXPECT_EQ(connection->GetInputMode(), 2);
  EXPECT_EQ(connection->GetInputPort(), 48386);
  auto input = settings.GetInput();
  EXPECT_TRUE(input->GetAllowKeyboard());
  EXPECT_TRUE(input->GetAllowCtrlAltDel());
  EXPECT_FALSE(input->GetDisableLocalKeyboard());
  EXPECT_TRUE(input->GetAllowMouse());
  EXPECT_FALSE(input->GetDisableLocalMouse());
  auto screen = settings.GetScreen();
  EXPECT_EQ(screen->GetFullRefreshInterval(), -1);
  EXPECT_EQ(screen->GetForegroundRefreshInterval(), 1000);
  EXPECT_EQ(screen->GetCaptureInterval(), 100);
  EXPECT_EQ(screen->GetCompressionLevel(), 6);
  EXPECT_EQ(settings.GetTray()->GetNotificationMode(), 1u);
}

TEST_F(ServiceSettings, SettingsFileIsTheBodyAndTheRpcFormIsARecord) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vksettingsXXXXXX").string();
  std::string dir = ::mkdtemp(tmpl.data());
  std::u16string path = vk::FromUtf8(dir + "/Settings.dat");
  cVkServiceSettings settings;
  ASSERT_EQ(settings.SaveToFile(path), 0);
  std::vector<uint8_t> file;
  ASSERT_EQ(vk::files::ReadWholeFile(path, file), 0);
  EXPECT_EQ(file, kDefaultBody);

  // Change a value in the file and load it.
  file[10] = 0x34;  // update port low byte: 0xBD34
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, file), 0);
  cVkServiceSettings loaded;
  ASSERT_EQ(loaded.LoadFromFile(path), 0);
  EXPECT_EQ(loaded.GetConnection()->GetUpdatePort(), 0xBD34);
  std::filesystem::remove_all(dir);

  VkRpcBuffer pair;
  ASSERT_EQ(ObjectToRpcBuffer(&settings, pair), 0);
  EXPECT_EQ(std::vector<uint8_t>(pair.bytes, pair.bytes + pair.length),
            Cat({Hex("FFFF 0100 1200"), Ascii("cVkServiceSettings"), kDefaultBody}));
  std::unique_ptr<cVkServiceSettings> back;
  EXPECT_EQ(ObjectFromRpcBufferAs(pair, back), 0);
  ASSERT_TRUE(back);
  EXPECT_EQ(Body(*back), kDefaultBody);
  VkFreeRpcBuffer(pair);
}

TEST_F(ServiceSettings, ScreenBodyOfVersion1KeepsTheCompressionLevel) {
  cVkServiceSettingsScreen screen;
  screen.compressionLevel = 9;
  ASSERT_EQ(LoadBody(screen, Hex("01000000 10270000 F4010000 32000000")), 0);
  EXPECT_EQ(screen.fullRefreshInterval, 10000);
  EXPECT_EQ(screen.foregroundRefreshInterval, 500);
  EXPECT_EQ(screen.captureInterval, 50);
  EXPECT_EQ(screen.compressionLevel, 9);

  // Inside a whole settings body, a new object keeps its 6.
  auto body = Cat({Hex("01000000 01000000 0100 1000 0300 1100 01000000 00000000"),
                   Hex("01000000 10270000 F4010000 32000000"), Hex("01000000 04000000")});
  cVkServiceSettings settings;
  ASSERT_EQ(LoadBody(settings, body), 0);
  EXPECT_EQ(settings.GetScreen()->GetCompressionLevel(), 6);
  EXPECT_EQ(settings.GetScreen()->GetCaptureInterval(), 50);
  EXPECT_EQ(settings.GetConnection()->GetUpdateMode(), 1);
  EXPECT_EQ(settings.GetConnection()->GetInputPort(), 0x11);
  auto input = settings.GetInput();
  EXPECT_FALSE(input->GetAllowKeyboard() || input->GetAllowMouse() || input->GetAllowCtrlAltDel() ||
               input->GetDisableLocalKeyboard() || input->GetDisableLocalMouse());
  EXPECT_EQ(settings.GetTray()->GetNotificationMode(), 4u);
}

TEST_F(ServiceSettings, UnknownVersionsReadNothingFurther) {
  // Unknown top version: nothing of the parts is read.
  cVkServiceSettings settings;
  ASSERT_EQ(LoadBody(settings, Cat({Hex("02000000"), std::vector<uint8_t>(48, 0)})), 0);
  EXPECT_EQ(Body(settings), kDefaultBody);

  // An unknown connection version stops that body; the next part then reads
  // from where it stopped (an unknown body is not skipped).
  cVkServiceSettingsConnection connection;
  ASSERT_EQ(LoadBody(connection, Hex("07000000 0100 0100 0100 0100")), 0);
  EXPECT_EQ(connection.updateMode, 2);
  cVkServiceSettingsTray tray;
  ASSERT_EQ(LoadBody(tray, Hex("03000000 04000000")), 0);
  EXPECT_EQ(tray.notificationMode, 1u);

  // A cut body keeps what was read before the cut.
  cVkServiceSettingsConnection cut;
  EXPECT_EQ(LoadBody(cut, Hex("01000000 0300 0100 01")), VK_AR_END_OF_FILE);
  EXPECT_EQ(cut.updateMode, 3);
  EXPECT_EQ(cut.updatePort, 1);
  EXPECT_EQ(cut.inputMode, 2);
  EXPECT_EQ(cut.inputPort, 48386);
}

TEST_F(ServiceSettings, GettersHandOutCopiesAndCopyFromReplacesEverything) {
  cVkServiceSettings shared;
  auto screen = shared.GetScreen();
  screen->captureInterval = 5;
  EXPECT_EQ(shared.GetScreen()->GetCaptureInterval(), 100);

  cVkServiceSettings incoming;
  ASSERT_EQ(LoadBody(incoming, Cat({Hex("01000000 01000000 0300 1000 0100 1100 01000000 1F000000"),
                                    Hex("02000000 01000000 02000000 03000000 09000000 01000000 03000000")})),
            0);
  shared.CopyFrom(incoming);
  EXPECT_EQ(Body(shared), Body(incoming));
  std::unique_ptr<cVkObject> clone(shared.Clone());
  EXPECT_EQ(Body(*clone), Body(incoming));
  auto input = shared.GetInput();
  EXPECT_TRUE(input->GetDisableLocalKeyboard());
  EXPECT_TRUE(input->GetDisableLocalMouse());
}

TEST_F(ServiceSettings, ReadersSeeWholeReplacements) {
  cVkServiceSettings shared;
  ASSERT_EQ(LoadBody(shared, Cat({Hex("01000000 01000000 0200 00BD 0200 02BD 01000000 0B000000"),
                                  Hex("02000000 07000000 07000000 07000000 07000000 01000000 01000000")})),
            0);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    cVkServiceSettings next;
    for (int32_t i = 0; !stop; ++i) {
      auto* s = new cVkServiceSettingsScreen;
      s->fullRefreshInterval = s->foregroundRefreshInterval = s->captureInterval = s->compressionLevel = i;
      std::vector<uint8_t> body = Cat({Hex("01000000 01000000 0200 00BD 0200 02BD 01000000 0B000000")});
      std::vector<uint8_t> part;
      cVkArchive ar(&part);
      s->Serialize(ar);
      delete s;
      body.insert(body.end(), part.begin(), part.end());
      auto tray = Hex("01000000 01000000");
      body.insert(body.end(), tray.begin(), tray.end());
      LoadBody(next, body);
      shared.CopyFrom(next);
    }
  });
  for (int n = 0; n < 20000; ++n) {
    auto screen = shared.GetScreen();
    ASSERT_EQ(screen->fullRefreshInterval, screen->compressionLevel);
    ASSERT_EQ(screen->captureInterval, screen->foregroundRefreshInterval);
  }
  stop = true;
  writer.join();
}

}  // namespace
