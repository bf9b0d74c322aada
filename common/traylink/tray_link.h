// The link between the agent and its tray helper (a program in the user's
// session): small framed messages over a socket pair.
//
// Frame: payload length (u32 LE, type included), type (u16 LE), body.
// Texts are UTF-16LE with a u16 unit count. The helper runs as the user, who
// is not trusted by the agent: every frame read is checked (size, type,
// direction, value ranges, text lengths, nothing left over) before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vk::traylink {

enum class MessageType : uint16_t {
  // agent → helper
  State = 1,          // icon, tooltip and balloon to show
  Viewer = 2,         // who is connected (the About window)
  Ask = 3,            // put the consent question up
  CloseQuestion = 4,  // take it down (answered No meanwhile)
  Quit = 5,
  // helper → agent
  Answer = 16,         // the person's answer to a question
  QuestionShown = 17,  // the question is on the display
  Toggle = 18,         // the menu's Allow/Disallow
};

// Longest texts a frame may carry (the notification area's limits, and a
// viewer name far longer than any account name).
inline constexpr size_t kMaxTipUnits = 128;
inline constexpr size_t kMaxTitleUnits = 63;
inline constexpr size_t kMaxBalloonUnits = 255;
inline constexpr size_t kMaxViewerUnits = 512;
inline constexpr size_t kMaxFrameBytes = 4096;

struct TrayMessage {
  MessageType type = MessageType::Quit;
  // State
  uint32_t iconState = 1;         // 1 none, 2 question, 3 disallowed, 4 allowed
  uint32_t notificationMode = 4;  // 1 silent .. 4 question
  uint32_t balloonIcon = 1;       // 1 information, 2 warning, 3 error
  bool balloonPending = false;
  std::u16string tipText, balloonTitle, balloonText;
  // Viewer
  bool connected = false;
  uint32_t address = 0;  // IPv4, network order
  std::u16string viewerName;
  // Ask, CloseQuestion, Answer, QuestionShown
  uint64_t questionId = 0;
  bool yes = false;  // Answer

  bool operator==(const TrayMessage&) const = default;
};

// The frame of a message; texts longer than their limit are cut to it.
std::vector<uint8_t> Encode(const TrayMessage& message);

// True for the types the given side may send.
bool SentByAgent(MessageType type);
bool SentByHelper(MessageType type);

// Collects bytes from the socket and hands out whole, checked messages.
class FrameReader {
 public:
  enum class Result { NeedMore, Message, Malformed };
  // `fromHelper`: the reader on the agent's side accepts only the helper's
  // types, and the helper's reader only the agent's.
  explicit FrameReader(bool fromHelper) : fromHelper_(fromHelper) {}

  void Feed(const uint8_t* bytes, size_t size);
  // A message, more bytes needed, or a malformed frame: after Malformed the
  // link cannot be trusted and every further call answers Malformed.
  Result Next(TrayMessage* message);

 private:
  bool fromHelper_;
  bool broken_ = false;
  std::vector<uint8_t> pending_;
};

}  // namespace vk::traylink
