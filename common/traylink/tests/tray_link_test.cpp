// The tray link's frames: exact bytes, both directions, and every kind of
// malformed frame that a hostile helper could send.
#include <gtest/gtest.h>

#include "common/traylink/tray_link.h"

namespace {

using vk::traylink::Encode;
using vk::traylink::FrameReader;
using vk::traylink::MessageType;
using vk::traylink::TrayMessage;
using Bytes = std::vector<uint8_t>;

TrayMessage Answer(uint64_t id, bool yes) {
  TrayMessage m;
  m.type = MessageType::Answer;
  m.questionId = id;
  m.yes = yes;
  return m;
}

FrameReader::Result ReadOne(const Bytes& frame, bool fromHelper, TrayMessage* out) {
  FrameReader reader(fromHelper);
  reader.Feed(frame.data(), frame.size());
  return reader.Next(out);
}

TEST(TrayLinkTest, FramesHaveTheirExactBytes) {
  EXPECT_EQ(Encode(Answer(0x0102030405060708ull, true)), (Bytes{11, 0, 0, 0, 16, 0, 8, 7, 6, 5, 4, 3, 2, 1, 1}));
  TrayMessage state;
  state.type = MessageType::State;
  state.iconState = 4;
  state.notificationMode = 3;
  state.balloonIcon = 2;
  state.balloonPending = true;
  state.tipText = u"Hi";
  state.balloonTitle = u"T";
  state.balloonText = u"";
  EXPECT_EQ(Encode(state), (Bytes{27, 0, 0,   0, 1,   0, 4, 0, 0,   0, 3, 0, 0, 0, 2, 0, 0, 0, 1,  //
                                  2,  0, 'H', 0, 'i', 0, 1, 0, 'T', 0, 0, 0}));
  TrayMessage toggle;
  toggle.type = MessageType::Toggle;
  EXPECT_EQ(Encode(toggle), (Bytes{2, 0, 0, 0, 18, 0}));
}

TEST(TrayLinkTest, EveryMessageReadsBackInPiecesAndTogether) {
  TrayMessage state;
  state.type = MessageType::State;
  state.iconState = 2;
  state.tipText = u"Your desktop is being viewed by 'D\\u' from a remote location.";
  state.balloonTitle = u"ViewKeeper Question";
  state.balloonText = u"\u00e9\u4e2d";
  TrayMessage viewer;
  viewer.type = MessageType::Viewer;
  viewer.connected = true;
  viewer.address = 0x0100007f;
  viewer.viewerName = u"DOMAIN\\admin";
  TrayMessage ask;
  ask.type = MessageType::Ask;
  ask.questionId = 7;
  TrayMessage quit;
  quit.type = MessageType::Quit;

  Bytes stream;
  for (const TrayMessage& m : {state, viewer, ask, quit}) {
    Bytes frame = Encode(m);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  // One byte at a time: a message comes out exactly when its last byte is in.
  FrameReader reader(false);
  std::vector<TrayMessage> read;
  for (uint8_t byte : stream) {
    reader.Feed(&byte, 1);
    TrayMessage m;
    FrameReader::Result r;
    while ((r = reader.Next(&m)) == FrameReader::Result::Message) read.push_back(m);
    ASSERT_EQ(r, FrameReader::Result::NeedMore);
  }
  EXPECT_EQ(read, (std::vector<TrayMessage>{state, viewer, ask, quit}));

  TrayMessage back;
  ASSERT_EQ(ReadOne(Encode(Answer(99, false)), true, &back), FrameReader::Result::Message);
  EXPECT_EQ(back, Answer(99, false));
}

TEST(TrayLinkTest, TextsLongerThanTheirLimitAreCutWhenSent) {
  TrayMessage state;
  state.type = MessageType::State;
  state.tipText = std::u16string(500, u'x');
  state.balloonTitle = std::u16string(100, u'y');
  state.balloonText = std::u16string(300, u'z');
  TrayMessage back;
  ASSERT_EQ(ReadOne(Encode(state), false, &back), FrameReader::Result::Message);
  EXPECT_EQ(back.tipText.size(), vk::traylink::kMaxTipUnits);
  EXPECT_EQ(back.balloonTitle.size(), vk::traylink::kMaxTitleUnits);
  EXPECT_EQ(back.balloonText.size(), vk::traylink::kMaxBalloonUnits);
}

TEST(TrayLinkTest, MalformedFramesAreRefusedAndTheLinkStaysRefused) {
  const Bytes answer = Encode(Answer(1, true));
  auto with = [&](size_t at, uint8_t value) {
    Bytes b = answer;
    b[at] = value;
    return b;
  };
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"length below the type", {1, 0, 0, 0, 16}},
      {"length beyond the limit", {0xff, 0xff, 0xff, 0x7f, 16, 0}},
      {"unknown type", {2, 0, 0, 0, 9, 0}},
      {"agent's type from the helper", {2, 0, 0, 0, 5, 0}},
      {"flag neither 0 nor 1", with(14, 2)},
      {"body shorter than its fields", {10, 0, 0, 0, 16, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"bytes left over", {3, 0, 0, 0, 18, 0, 0}},
  };
  for (const auto& [what, frame] : bad) {
    FrameReader reader(true);
    reader.Feed(frame.data(), frame.size());
    TrayMessage m;
    EXPECT_EQ(reader.Next(&m), FrameReader::Result::Malformed) << what;
    // A good frame after a bad one is not taken.
    reader.Feed(answer.data(), answer.size());
    EXPECT_EQ(reader.Next(&m), FrameReader::Result::Malformed) << what;
  }

  TrayMessage state;
  state.type = MessageType::State;
  Bytes stateFrame = Encode(state);
  TrayMessage m;
  // A state with icon state 5, and a text count beyond its limit.
  Bytes badIcon = stateFrame;
  badIcon[6] = 5;
  EXPECT_EQ(ReadOne(badIcon, false, &m), FrameReader::Result::Malformed);
  Bytes longTip = stateFrame;
  longTip[19] = 129;  // tip count 129 > 128, and past the end as well
  EXPECT_EQ(ReadOne(longTip, false, &m), FrameReader::Result::Malformed);
  // The helper's answer where the helper reads: refused there too.
  EXPECT_EQ(ReadOne(answer, false, &m), FrameReader::Result::Malformed);
}

}  // namespace
