// The explaining texts of the configuration sheet's pages and the label
// that shows them.
#pragma once

#include <QLabel>

inline constexpr const char* kVkScreenPageText =
    "This tab displays the screen update settings. Turning off the automatic refresh rates can result in faster "
    "performance, but may increase the amount of 'artifects'.";
inline constexpr const char* kVkCompressionText =
    "The image data send by the ViewKeeper service is compressed to save valuable bandwidth. This however uses CPU "
    "power. To increase compression move the slider to the right, to decrease compression move the slider to the "
    "left.";
inline constexpr const char* kVkConnectionPageText =
    "This tab displays the connection details of the connected service. ";
inline constexpr const char* kVkInputPageText =
    "This tab displays the mouse and keyboard options. Note that disabling Ctrl-Alt-Delete will prevent a remote user "
    "to log on to a computer.";
inline constexpr const char* kVkNotificationPageText =
    "ViewKeeper can notify a user on the remote desktop that a connection has been made.";

inline QLabel* VkPageText(QWidget* parent, const char* text) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setWordWrap(true);
  return label;
}
