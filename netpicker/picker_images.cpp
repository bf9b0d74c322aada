#include "netpicker/picker_images.h"

#include <QApplication>
#include <QStyle>

namespace vk::picker {

QIcon PickerIcon(uint32_t index) {
  // Pictures of the platform's style, one per entry of the list.
  static constexpr QStyle::StandardPixmap kPictures[kPickerImageCount] = {
      QStyle::SP_DriveNetIcon,            // the "Network" root
      QStyle::SP_DirLinkIcon,             // a domain
      QStyle::SP_ComputerIcon,            // a computer
      QStyle::SP_DirClosedIcon,           // a closed folder
      QStyle::SP_DirOpenIcon,             // an open folder
      QStyle::SP_FileIcon,                // a user
      QStyle::SP_FileDialogDetailedView,  // "Directory"
      QStyle::SP_DriveNetIcon,            // "Microsoft Windows Network"
      QStyle::SP_FileDialogListView,      // a group
      QStyle::SP_DirIcon,                 // an organisational unit
      QStyle::SP_DirClosedIcon,           // a container
      QStyle::SP_DirHomeIcon,             // a built-in container
      QStyle::SP_FileDialogListView,      // a local group
      QStyle::SP_MessageBoxCritical,      // a log error with its code
      QStyle::SP_MessageBoxCritical,      // a log error without a code
      QStyle::SP_MessageBoxWarning,       // a log warning
      QStyle::SP_MessageBoxInformation,   // a log detail
  };
  if (index >= kPickerImageCount || QApplication::style() == nullptr) return {};
  return QApplication::style()->standardIcon(kPictures[index]);
}

}  // namespace vk::picker
