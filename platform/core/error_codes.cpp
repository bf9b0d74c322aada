#include "platform/core/error_codes.h"

#include <netdb.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace vk {
namespace {

struct CodeText {
  int32_t code;
  std::u16string_view text;
};

// The system message table: the codes this system reports, with the texts a
// Windows installation gives for them.
constexpr CodeText kSystemTexts[] = {
    {0, u"The operation completed successfully."},
    {1, u"Incorrect function."},
    {2, u"The system cannot find the file specified."},
    {3, u"The system cannot find the path specified."},
    {4, u"The system cannot open the file."},
    {5, u"Access is denied."},
    {6, u"The handle is invalid."},
    {8, u"Not enough storage is available to process this command."},
    {13, u"The data is invalid."},
    {14, u"Not enough storage is available to complete this operation."},
    {17, u"The system cannot move the file to a different disk drive."},
    {21, u"The device is not ready."},
    {29, u"The system cannot write to the specified device."},
    {30, u"The system cannot read from the specified device."},
    {31, u"A device attached to the system is not functioning."},
    {32, u"The process cannot access the file because it is being used by another process."},
    {33, u"The process cannot access the file because another process has locked a portion of the file."},
    {38, u"Reached the end of the file."},
    {50, u"The request is not supported."},
    {53, u"The network path was not found."},
    {54, u"The network is busy."},
    {59, u"An unexpected network error occurred."},
    {67, u"The network name cannot be found."},
    {80, u"The file exists."},
    {87, u"The parameter is incorrect."},
    {109, u"The pipe has been ended."},
    {110, u"The system cannot open the device or file specified."},
    {111, u"The file name is too long."},
    {112, u"There is not enough space on the disk."},
    {120, u"This function is not supported on this system."},
    {122, u"The data area passed to a system call is too small."},
    {123, u"The filename, directory name, or volume label syntax is incorrect."},
    {126, u"The specified module could not be found."},
    {127, u"The specified procedure could not be found."},
    {145, u"The directory is not empty."},
    {170, u"The requested resource is in use."},
    {183, u"Cannot create a file when that file already exists."},
    {206, u"The filename or extension is too long."},
    {223, u"The file size exceeds the limit allowed and cannot be saved."},
    {230, u"The pipe state is invalid."},
    {234, u"More data is available."},
    {258, u"The wait operation timed out."},
    {259, u"No more data is available."},
    {267, u"The directory name is invalid."},
    {288, u"Attempt to release mutex not owned by caller."},
    {298, u"Too many posts were made to a semaphore."},
    {534, u"Arithmetic result exceeded 32 bits."},
    {995, u"The I/O operation has been aborted because of either a thread exit or an application request."},
    {997, u"Overlapped I/O operation is in progress."},
    {998, u"Invalid access to memory location."},
    {1011, u"The configuration registry key could not be opened."},
    {1012, u"The configuration registry key could not be read."},
    {1013, u"The configuration registry key could not be written."},
    {1015,
     u"The registry is corrupted. The structure of one of the files containing registry data is corrupted, or the "
     u"system's memory image of the file is corrupted, or the file could not be recovered because the alternate copy "
     u"or log was absent or corrupted."},
    {1053, u"The service did not respond to the start or control request in a timely fashion."},
    {1056, u"An instance of the service is already running."},
    {1058,
     u"The service cannot be started, either because it is disabled or because it has no enabled devices associated "
     u"with it."},
    {1060, u"The specified service does not exist as an installed service."},
    {1061, u"The service cannot accept control messages at this time."},
    {1062, u"The service has not been started."},
    {1063, u"The service process could not connect to the service controller."},
    {1066, u"The service has returned a service-specific error code."},
    {1072, u"The specified service has been marked for deletion."},
    {1073, u"The specified service already exists."},
    {1115, u"A system shutdown is in progress."},
    {1131, u"A potential deadlock condition has been detected."},
    {1168, u"Element not found."},
    {1200, u"The specified device name is invalid."},
    {1201, u"The device is not currently connected but it is a remembered connection."},
    {1203,
     u"The network path was either typed incorrectly, does not exist, or the network provider is not currently "
     u"available. Please try retyping the path or contact your network administrator."},
    {1223, u"The operation was canceled by the user."},
    {1224, u"The requested operation cannot be performed on a file with a user-mapped section open."},
    {1225, u"The remote system refused the network connection."},
    {1300, u"Not all privileges referenced are assigned to the caller."},
    {1311, u"There are currently no logon servers available to service the logon request."},
    {1317, u"The specified user does not exist."},
    {1319, u"The specified group does not exist."},
    {1326, u"Logon failure: unknown user name or bad password."},
    {1327, u"Logon failure: user account restriction."},
    {1330, u"Logon failure: the specified account password has expired."},
    {1331, u"Logon failure: account currently disabled."},
    {1332, u"No mapping between account names and security IDs was done."},
    {1336, u"The access control list (ACL) structure is invalid."},
    {1337, u"The security ID structure is invalid."},
    {1338, u"The security descriptor structure is invalid."},
    {1355, u"The specified domain either does not exist or could not be contacted."},
    {1376, u"The specified local group does not exist."},
    {1385, u"Logon failure: the user has not been granted the requested logon type at this computer."},
    {1400, u"Invalid window handle."},
    {1460, u"This operation returned because the timeout period expired."},
    {1702, u"The binding handle is invalid."},
    {1703, u"The RPC protocol sequence is not supported."},
    {1708, u"No endpoint was found."},
    {1711, u"The object universal unique identifier (UUID) has already been registered."},
    {1713, u"The RPC server is already listening."},
    {1715, u"The RPC server is not listening."},
    {1717, u"The interface is unknown."},
    {1718, u"There are no bindings."},
    {1720, u"The endpoint cannot be created."},
    {1721, u"Not enough resources are available to complete this operation."},
    {1722, u"The RPC server is unavailable."},
    {1723, u"The RPC server is too busy to complete this operation."},
    {1726, u"The remote procedure call failed."},
    {1727, u"The remote procedure call failed and did not execute."},
    {1728, u"A remote procedure call (RPC) protocol error occurred."},
    {1730, u"The transfer syntax is not supported by the RPC server."},
    {1740, u"The endpoint is a duplicate."},
    {1745, u"The procedure number is out of range."},
    {1747, u"The authentication service is unknown."},
    {1783, u"The stub received bad data."},
    {1793, u"Logon failure: user account has expired."},
    {6118, u"The list of servers for this workgroup is not currently available"},
    {10004, u"A blocking operation was interrupted by a call to WSACancelBlockingCall."},
    {10009, u"The file handle supplied is not valid."},
    {10013, u"An attempt was made to access a socket in a way forbidden by its access permissions."},
    {10014, u"The system detected an invalid pointer address in attempting to use a pointer argument in a call."},
    {10022, u"An invalid argument was supplied."},
    {10024, u"Too many open sockets."},
    {10035, u"A non-blocking socket operation could not be completed immediately."},
    {10036, u"A blocking operation is currently executing."},
    {10037, u"An operation was attempted on a non-blocking socket that already had an operation in progress."},
    {10038, u"An operation was attempted on something that is not a socket."},
    {10039, u"A required address was omitted from an operation on a socket."},
    {10040,
     u"A message sent on a datagram socket was larger than the internal message buffer or some other network limit, or "
     u"the buffer used to receive a datagram into was smaller than the datagram itself."},
    {10041,
     u"A protocol was specified in the socket function call that does not support the semantics of the socket type "
     u"requested."},
    {10042, u"An unknown, invalid, or unsupported option or level was specified in a getsockopt or setsockopt call."},
    {10043, u"The requested protocol has not been configured into the system, or no implementation for it exists."},
    {10044, u"The support for the specified socket type does not exist in this address family."},
    {10045, u"The attempted operation is not supported for the type of object referenced."},
    {10046, u"The protocol family has not been configured into the system or no implementation for it exists."},
    {10047, u"An address incompatible with the requested protocol was used."},
    {10048, u"Only one usage of each socket address (protocol/network address/port) is normally permitted."},
    {10049, u"The requested address is not valid in its context."},
    {10050, u"A socket operation encountered a dead network."},
    {10051, u"A socket operation was attempted to an unreachable network."},
    {10052,
     u"The connection has been broken due to keep-alive activity detecting a failure while the operation was in "
     u"progress."},
    {10053, u"An established connection was aborted by the software in your host machine."},
    {10054, u"An existing connection was forcibly closed by the remote host."},
    {10055,
     u"An operation on a socket could not be performed because the system lacked sufficient buffer space or because a "
     u"queue was full."},
    {10056, u"A connect request was made on an already connected socket."},
    {10057,
     u"A request to send or receive data was disallowed because the socket is not connected and (when sending on a "
     u"datagram socket using a sendto call) no address was supplied."},
    {10058,
     u"A request to send or receive data was disallowed because the socket had already been shut down in that "
     u"direction with a previous shutdown call."},
    {10060,
     u"A connection attempt failed because the connected party did not properly respond after a period of time, or "
     u"established connection failed because connected host has failed to respond."},
    {10061, u"No connection could be made because the target machine actively refused it."},
    {10064, u"A socket operation failed because the destination host was down."},
    {10065, u"A socket operation was attempted to an unreachable host."},
    {10091,
     u"WSAStartup cannot function at this time because the underlying system it uses to provide network services is "
     u"currently unavailable."},
    {10093, u"Either the application has not called WSAStartup, or WSAStartup failed."},
    {11001, u"No such host is known."},
    {11002,
     u"This is usually a temporary error during hostname resolution and means that the local server did not receive a "
     u"response from an authoritative server."},
    {11003, u"A non-recoverable error occurred during a database lookup."},
    {11004, u"The requested name is valid, but no data of the requested type was found."},
};

// The network message table (codes 2100 to 2999).
constexpr CodeText kNetworkTexts[] = {
    {2102, u"The workstation driver is not installed."},
    {2103, u"The server could not be located."},
    {2106, u"This operation is supported only on the primary domain controller of the domain."},
    {2114, u"The Server service is not started."},
    {2118, u"The share name entered is already in use on this server."},
    {2141, u"The server is not configured for transactions."},
    {2220, u"The group name could not be found."},
    {2221, u"The user name could not be found."},
    {2222, u"The resource name could not be found."},
    {2310, u"This shared resource does not exist."},
    {2351, u"This computer name is invalid."},
    {2453, u"Could not find domain controller for this domain."},
};

template <size_t N>
std::u16string_view Find(const CodeText (&table)[N], int32_t code) {
  const auto* it =
      std::find_if(std::begin(table), std::end(table), [code](const CodeText& e) { return e.code == code; });
  return it == std::end(table) ? std::u16string_view{} : it->text;
}

}  // namespace

int32_t Win32FromErrno(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EPIPE:
      return ERROR_BROKEN_PIPE;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
      return ERROR_BUSY;
    case EAGAIN:
      return ERROR_LOCK_VIOLATION;
    case ETIMEDOUT:
      return ERROR_TIMEOUT;
    case EINTR:
      return ERROR_OPERATION_ABORTED;
    case EISDIR:
      return ERROR_DIRECTORY;
    case ENOSYS:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case EIO:
      return ERROR_GEN_FAILURE;
    case EFAULT:
      return ERROR_NOACCESS;
    case ECONNREFUSED:
      return ERROR_CONNECTION_REFUSED;
    case EOVERFLOW:
      return ERROR_ARITHMETIC_OVERFLOW;
    case EDEADLK:
      return ERROR_POSSIBLE_DEADLOCK;
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case ESRCH:
      return ERROR_INVALID_HANDLE;
    default:
      return ERROR_GEN_FAILURE;
  }
}

int32_t WinsockFromErrno(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case EINTR:
      return WSAEINTR;
    case EBADF:
      return WSAEBADF;
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EFAULT:
      return WSAEFAULT;
    case EINVAL:
      return WSAEINVAL;
    case EMFILE:
    case ENFILE:
      return WSAEMFILE;
    case EAGAIN:
      return WSAEWOULDBLOCK;
    case EINPROGRESS:
      return WSAEINPROGRESS;
    case EALREADY:
      return WSAEALREADY;
    case ENOTSOCK:
      return WSAENOTSOCK;
    case EDESTADDRREQ:
      return WSAEDESTADDRREQ;
    case EMSGSIZE:
      return WSAEMSGSIZE;
    case EPROTOTYPE:
      return WSAEPROTOTYPE;
    case ENOPROTOOPT:
      return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
      return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
      return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
      return WSAEOPNOTSUPP;
    case EPFNOSUPPORT:
      return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT:
      return WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return WSAENETDOWN;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case ENETRESET:
      return WSAENETRESET;
    case ECONNABORTED:
      return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
      return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
      return WSAENOBUFS;
    case EISCONN:
      return WSAEISCONN;
    case ENOTCONN:
      return WSAENOTCONN;
    case ESHUTDOWN:
      return WSAESHUTDOWN;
    case ETIMEDOUT:
      return WSAETIMEDOUT;
    case ECONNREFUSED:
      return WSAECONNREFUSED;
    case EHOSTDOWN:
      return WSAEHOSTDOWN;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    default:
      return WSAEINVAL;
  }
}

int32_t WinsockFromResolver(int eai, int err) {
  switch (eai) {
    case 0:
      return ERROR_SUCCESS;
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
      return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
      return WSATRY_AGAIN;
    case EAI_FAIL:
      return WSANO_RECOVERY;
    case EAI_FAMILY:
      return WSAEAFNOSUPPORT;
    case EAI_MEMORY:
      return WSAENOBUFS;
    case EAI_SYSTEM:
      return WinsockFromErrno(err);
    default:
      return WSANO_RECOVERY;
  }
}

std::u16string_view SystemErrorText(int32_t code) { return Find(kSystemTexts, code); }

std::u16string_view NetworkErrorText(int32_t code) { return Find(kNetworkTexts, code); }

}  // namespace vk
