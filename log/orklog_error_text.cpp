// cOrkLog: texts for platform and directory (ADSI) codes.
#include <algorithm>

#include "log/format.h"
#include "log/orklog.h"
#include "platform/core/error_codes.h"

namespace {

uint32_t CopyText(std::u16string_view text, char16_t* buffer, uint32_t length) {
  if (!buffer || length == 0) return 0;
  const size_t n = std::min<size_t>(text.size(), length - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  return static_cast<uint32_t>(n);
}

struct AdsiText {
  uint32_t code;
  std::u16string_view text;
};

constexpr AdsiText kAdsiTexts[] = {
    {0x00005011, u"One or more errors occurred."},
    {0x00005012, u"No more rows to be obatained by the search result."},
    {0x00005013, u"No more columns to be obatained for the current row."},
    {0x80005000, u"An invalid Active Directory pathname was passed."},
    {0x80005001, u"An unknown Active Directory domain object was requested."},
    {0x80005002, u"An unknown Active Directory user object was requested."},
    {0x80005003, u"An unknown Active Directory computer object was requested."},
    {0x80005004, u"An unknown Active Directory object was requested."},
    {0x80005005, u"The specified Active Directory property was not set."},
    {0x80005006, u"The specified Active Directory property is not supported."},
    {0x80005007, u"The specified Active Directory property is invalid."},
    {0x80005008, u"One or more input parameters are invalid."},
    {0x80005009, u"The specified Active Directory object is not bound to a remote resource."},
    {0x8000500A, u"The specified Active Directory object has not been modified."},
    {0x8000500B, u"The specified Active Directory object has been modified."},
    {0x8000500C, u"The Active Directory datatype cannot be converted to/from a native DS datatype."},
    {0x8000500D, u"The Active Directory property cannot be found in the cache."},
    {0x8000500E, u"The Active Directory object exists."},
    {0x8000500F, u"The attempted action violates the DS schema rules."},
    {0x80005010, u"The specified column in the Active Directory was not set."},
};

}  // namespace

uint32_t cOrkLog::GetNetErrorText(uint32_t code, char16_t* buffer, uint32_t length) {
  const int32_t signedCode = static_cast<int32_t>(code);
  std::u16string_view text;
  if (code >= 2100 && code <= 2999) text = vk::NetworkErrorText(signedCode);
  if (text.empty()) text = vk::SystemErrorText(signedCode);
  if (text.empty()) {
    if (buffer && length > 0) buffer[0] = 0;
    return 0;
  }
  return CopyText(text, buffer, length);
}

uint32_t cOrkLog::GetAdsiErrorText(int32_t code, char16_t* buffer, uint32_t length) {
  const uint32_t bits = static_cast<uint32_t>(code);
  const auto* known =
      std::find_if(std::begin(kAdsiTexts), std::end(kAdsiTexts), [bits](const AdsiText& e) { return e.code == bits; });
  if (known != std::end(kAdsiTexts)) {
    CopyText(known->text, buffer, length);
  } else if ((bits & 0xFFFF0000u) == 0x80070000u) {
    GetNetErrorText(bits & 0xFFFFu, buffer, length);  // a Win32 code; nothing when it has no text
  } else if (code >= 0) {
    CopyText(vk::Format(u"ADSI success code %lu.", bits), buffer, length);
  } else {
    CopyText(vk::Format(u"Failed to process ADSI error code %lu (0x%x).", bits, bits), buffer, length);
  }
  return 0;
}
