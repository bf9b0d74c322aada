// libFuzzer target: any bytes as what arrives on the tray link. The first
// byte picks the reading side (even: the agent reading the helper, odd: the
// helper reading the agent) and the size of the pieces the bytes arrive in.
// Every message the reader hands out must encode to a frame that reads back
// as the same message.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/traylink/tray_link.h"

namespace {

using vk::traylink::FrameReader;
using vk::traylink::TrayMessage;

void CheckRoundTrip(const TrayMessage& message, bool fromHelper) {
  std::vector<uint8_t> frame = vk::traylink::Encode(message);
  FrameReader again(fromHelper);
  again.Feed(frame.data(), frame.size());
  TrayMessage decoded;
  if (again.Next(&decoded) != FrameReader::Result::Message || !(decoded == message)) std::abort();
  if (again.Next(&decoded) != FrameReader::Result::NeedMore) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool fromHelper = (data[0] & 1) == 0;
  const size_t piece = 1 + (data[0] >> 1);
  FrameReader reader(fromHelper);
  for (size_t at = 1; at < size; at += piece) {
    reader.Feed(data + at, std::min(piece, size - at));
    TrayMessage message;
    FrameReader::Result result;
    while ((result = reader.Next(&message)) == FrameReader::Result::Message) CheckRoundTrip(message, fromHelper);
    // A broken link stays broken.
    if (result == FrameReader::Result::Malformed && reader.Next(&message) != FrameReader::Result::Malformed)
      std::abort();
  }
  return 0;
}
