// The texts the tray shows: tooltips, balloons, the question and the About
// window.
#pragma once

#include <string>

namespace tray_text {

inline constexpr char16_t kServiceTip[] = u"ViewKeeper Remote Desktop Viewer Service";
inline constexpr char16_t kNotInUse[] = u"ViewKeeper Remote Desktop Viewer Service is not in use.";
inline constexpr char16_t kBeingViewed[] = u"Your desktop is being viewed by '%s' from a remote location.";
inline constexpr char16_t kWantsToView[] =
    u"%s wants to view your desktop from a remote location. To allow this, press 'YES' on the presented question.";
inline constexpr char16_t kDisallowedTip[] = u"ViewKeeper Remote Desktop Viewer Service - Service has been disallowed.";
inline constexpr char16_t kDisallowedMenuTip[] =
    u"ViewKeeper Remote Desktop Viewer Service - Service has been disallowed";
inline constexpr char16_t kAllowedBalloon[] =
    u"Remote viewing of this desktop has been allowed. To disallow remote viewing rightclick on the Magnifying "
    u"glass and select 'Disallow'.";
inline constexpr char16_t kDisallowedBalloon[] =
    u"Remote viewing of this desktop has been disallowed. To allow remote viewing rightclick on the Magnifying "
    u"glass and select 'Allow'.";

inline constexpr char16_t kInformationLower[] = u"ViewKeeper information";
inline constexpr char16_t kWarningLower[] = u"ViewKeeper warning";
inline constexpr char16_t kQuestionTitle[] = u"ViewKeeper Question";
inline constexpr char16_t kWarningTitle[] = u"ViewKeeper Warning";
inline constexpr char16_t kInformationTitle[] = u"ViewKeeper Information";

inline constexpr char16_t kQuestionText[] =
    u"ViewKeeper question: Someone is trying to remotely view and possibly control your desktop. Do you want to "
    u"allow this?";
inline constexpr char16_t kQuestionCaption[] = u"Question from: ViewKeeper";

inline constexpr char16_t kMenuAllow[] = u"Allow";
inline constexpr char16_t kMenuDisallow[] = u"Disallow";
inline constexpr char16_t kMenuAbout[] = u"About...";

inline constexpr char16_t kAboutCaption[] = u"About ViewKeeper";
inline constexpr char16_t kAboutGroup[] = u"Connection Information";
inline constexpr char16_t kAboutState[] = u"State:";
inline constexpr char16_t kAboutUser[] = u"Remote User:";
inline constexpr char16_t kAboutComputer[] = u"Remote Computer:";
inline constexpr char16_t kAboutClose[] = u"Close";
inline constexpr char16_t kAboutLine[] = u"This dialog displays information of the currently connected user.";
inline constexpr char16_t kConnected[] = u"Connected";
inline constexpr char16_t kNotConnected[] = u"Not Connected";
inline constexpr char16_t kUnknown[] = u"Unknown";
inline constexpr char16_t kNone[] = u"-";

}  // namespace tray_text
