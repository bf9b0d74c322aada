// Where long operations report their steps: the progress dialog's second
// line (texts beginning with "Progress: ").
#pragma once

#include <string_view>

class iVkProgressSink {
 public:
  virtual ~iVkProgressSink() = default;
  virtual void ShowProgress(std::u16string_view text) = 0;
};
