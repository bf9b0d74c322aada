#include "console/core/error_texts.h"

VkErrorTexts VkErrorTextsFor(int32_t code) {
  switch (code) {
    case -19:
      return {u"Connection closed", u"This error has occured because the remote service closed the connection."};
    case -3:
      return {u"Wrong version",
              u"This error has occured because the service version does not match the client version."};
    case -1:
      return {u"General error",
              u"A general error has occurred. Please view the details for more specific information about the error "
              u"that occurred."};
    case 1060:
      return {u"Service not installed?",
              u"This error generally occurs when no service is installed on the machine on which you want to perform "
              u"this action."};
    case 1715:
      return {u"Service not started?",
              u"This error generally occurs when the service installed on the machine on which you want to perform "
              u"this action is not started."};
    case 10061:
      return {u"Service not started/installed?",
              u"This error generally occurs when the service on the remote computer is not installed or started."};
    default:
      return {u"Error",
              u"One or more errors have occurred. Please view the details for more specific information about the "
              u"errors that occurred."};
  }
}
