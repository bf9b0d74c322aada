#include "console/browse/tree_images.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <array>

namespace {

// The style icon of each picture and, for the state images, their mark.
struct Picture {
  QStyle::StandardPixmap base;
  Qt::GlobalColor mark;  // Qt::transparent: none
};

constexpr std::array<Picture, kVkTreeImageCount> kPictures = {{
    {QStyle::SP_DriveNetIcon, Qt::transparent},            // 0 network
    {QStyle::SP_DirHomeIcon, Qt::transparent},             // 1 domain
    {QStyle::SP_ComputerIcon, Qt::transparent},            // 2 computer
    {QStyle::SP_DirIcon, Qt::transparent},                 // 3 folder
    {QStyle::SP_FileIcon, Qt::transparent},                // 4
    {QStyle::SP_FileIcon, Qt::transparent},                // 5
    {QStyle::SP_ComputerIcon, Qt::green},                  // 6 connected
    {QStyle::SP_ComputerIcon, Qt::yellow},                 // 7 busy
    {QStyle::SP_ComputerIcon, Qt::red},                    // 8 failed
    {QStyle::SP_ComputerIcon, Qt::gray},                   // 9
    {QStyle::SP_ComputerIcon, Qt::darkGray},               // 10
    {QStyle::SP_ComputerIcon, Qt::blue},                   // 11 connecting
    {QStyle::SP_FileDialogDetailedView, Qt::transparent},  // 12 directory
    {QStyle::SP_DriveNetIcon, Qt::transparent},            // 13 local network
    {QStyle::SP_FileIcon, Qt::transparent},                // 14
    {QStyle::SP_FileIcon, Qt::transparent},                // 15
    {QStyle::SP_FileIcon, Qt::transparent},                // 16
    {QStyle::SP_FileDialogContentsView, Qt::transparent},  // 17 recent
}};

QIcon Draw(const Picture& picture) {
  QPixmap pixmap = QApplication::style()->standardIcon(picture.base).pixmap(16, 16);
  if (picture.mark != Qt::transparent) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(picture.mark));
    painter.drawEllipse(QRectF(9, 9, 6, 6));
  }
  return QIcon(pixmap);
}

}  // namespace

QIcon VkTreeImage(uint32_t index) {
  static std::array<QIcon, kVkTreeImageCount> icons;
  static bool drawn = false;
  if (!drawn) {
    for (size_t i = 0; i < icons.size(); ++i) icons[i] = Draw(kPictures[i]);
    drawn = true;
  }
  return icons[index < icons.size() ? index : 2];
}
