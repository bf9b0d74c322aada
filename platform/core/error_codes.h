// The system's error-code domain.
//
// Every operation that can fail answers an int32_t: 0, a platform code, or one
// of the system's own negative codes. Platform codes use Win32 numbering on
// every platform, so that codes tested by callers and codes that travel
// between console and agent mean the same thing everywhere. This file maps
// errno and resolver errors to those numbers and holds their message texts.
#pragma once

#include <cstdint>
#include <string_view>

// Win32 codes the system tests or reports.
inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr int32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr int32_t ERROR_INVALID_DATA = 13;
inline constexpr int32_t ERROR_OUTOFMEMORY = 14;
inline constexpr int32_t ERROR_NOT_SAME_DEVICE = 17;
inline constexpr int32_t ERROR_NOT_READY = 21;
inline constexpr int32_t ERROR_WRITE_FAULT = 29;
inline constexpr int32_t ERROR_READ_FAULT = 30;
inline constexpr int32_t ERROR_GEN_FAILURE = 31;
inline constexpr int32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr int32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr int32_t ERROR_HANDLE_EOF = 38;
inline constexpr int32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr int32_t ERROR_BAD_NETPATH = 53;
inline constexpr int32_t ERROR_NETWORK_BUSY = 54;
inline constexpr int32_t ERROR_UNEXP_NET_ERR = 59;
inline constexpr int32_t ERROR_BAD_NET_NAME = 67;
inline constexpr int32_t ERROR_FILE_EXISTS = 80;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr int32_t ERROR_BROKEN_PIPE = 109;
inline constexpr int32_t ERROR_OPEN_FAILED = 110;
inline constexpr int32_t ERROR_BUFFER_OVERFLOW = 111;
inline constexpr int32_t ERROR_DISK_FULL = 112;
inline constexpr int32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr int32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr int32_t ERROR_INVALID_NAME = 123;
inline constexpr int32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr int32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr int32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr int32_t ERROR_BUSY = 170;
inline constexpr int32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr int32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr int32_t ERROR_FILE_TOO_LARGE = 223;
inline constexpr int32_t ERROR_BAD_PIPE = 230;
inline constexpr int32_t ERROR_MORE_DATA = 234;
inline constexpr int32_t WAIT_TIMEOUT_CODE = 258;
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr int32_t STILL_ACTIVE = 259;
inline constexpr int32_t ERROR_DIRECTORY = 267;
inline constexpr int32_t ERROR_NOT_OWNER = 288;
inline constexpr int32_t ERROR_TOO_MANY_POSTS = 298;
inline constexpr int32_t ERROR_ARITHMETIC_OVERFLOW = 534;
inline constexpr int32_t ERROR_OPERATION_ABORTED = 995;
inline constexpr int32_t ERROR_IO_PENDING = 997;
inline constexpr int32_t ERROR_NOACCESS = 998;
inline constexpr int32_t ERROR_CANTOPEN = 1011;
inline constexpr int32_t ERROR_CANTREAD = 1012;
inline constexpr int32_t ERROR_CANTWRITE = 1013;
inline constexpr int32_t ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr int32_t ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
inline constexpr int32_t ERROR_SERVICE_ALREADY_RUNNING = 1056;
inline constexpr int32_t ERROR_SERVICE_DISABLED = 1058;
inline constexpr int32_t ERROR_SERVICE_DOES_NOT_EXIST = 1060;
inline constexpr int32_t ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
inline constexpr int32_t ERROR_SERVICE_NOT_ACTIVE = 1062;
inline constexpr int32_t ERROR_FAILED_SERVICE_CONTROLLER_CONNECT = 1063;
inline constexpr int32_t ERROR_SERVICE_SPECIFIC_ERROR = 1066;
inline constexpr int32_t ERROR_SERVICE_MARKED_FOR_DELETE = 1072;
inline constexpr int32_t ERROR_SERVICE_EXISTS = 1073;
inline constexpr int32_t ERROR_SHUTDOWN_IN_PROGRESS = 1115;
inline constexpr int32_t ERROR_POSSIBLE_DEADLOCK = 1131;
inline constexpr int32_t ERROR_NOT_FOUND = 1168;
inline constexpr int32_t ERROR_BAD_DEVICE = 1200;
inline constexpr int32_t ERROR_CONNECTION_UNAVAIL = 1201;
inline constexpr int32_t ERROR_NO_NET_OR_BAD_PATH = 1203;
inline constexpr int32_t ERROR_CANCELLED = 1223;
inline constexpr int32_t ERROR_USER_MAPPED_FILE = 1224;
inline constexpr int32_t ERROR_CONNECTION_REFUSED = 1225;
inline constexpr int32_t ERROR_NOT_ALL_ASSIGNED = 1300;
inline constexpr int32_t ERROR_NONE_MAPPED = 1332;
inline constexpr int32_t ERROR_INVALID_SID = 1337;
inline constexpr int32_t ERROR_INVALID_ACL = 1336;
inline constexpr int32_t ERROR_INVALID_SECURITY_DESCR = 1338;
inline constexpr int32_t ERROR_NO_SUCH_DOMAIN = 1355;
inline constexpr int32_t ERROR_NO_SUCH_ALIAS = 1376;
inline constexpr int32_t ERROR_NO_LOGON_SERVERS = 1311;
inline constexpr int32_t ERROR_NO_SUCH_USER = 1317;
inline constexpr int32_t ERROR_NO_SUCH_GROUP = 1319;
inline constexpr int32_t ERROR_LOGON_FAILURE = 1326;
inline constexpr int32_t ERROR_ACCOUNT_RESTRICTION = 1327;
inline constexpr int32_t ERROR_ACCOUNT_DISABLED = 1331;
inline constexpr int32_t ERROR_PASSWORD_EXPIRED = 1330;
inline constexpr int32_t ERROR_LOGON_TYPE_NOT_GRANTED = 1385;
inline constexpr int32_t ERROR_ACCOUNT_EXPIRED = 1793;
inline constexpr int32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr int32_t ERROR_TIMEOUT = 1460;
inline constexpr int32_t RPC_S_INVALID_BINDING = 1702;
inline constexpr int32_t RPC_S_PROTSEQ_NOT_SUPPORTED = 1703;
inline constexpr int32_t RPC_S_NO_ENDPOINT_FOUND = 1708;
inline constexpr int32_t RPC_S_ALREADY_REGISTERED = 1711;
inline constexpr int32_t RPC_S_ALREADY_LISTENING = 1713;
inline constexpr int32_t RPC_S_NOT_LISTENING = 1715;
inline constexpr int32_t RPC_S_UNKNOWN_IF = 1717;
inline constexpr int32_t RPC_S_NO_BINDINGS = 1718;
inline constexpr int32_t RPC_S_CANT_CREATE_ENDPOINT = 1720;
inline constexpr int32_t RPC_S_OUT_OF_RESOURCES = 1721;
inline constexpr int32_t RPC_S_SERVER_UNAVAILABLE = 1722;
inline constexpr int32_t RPC_S_SERVER_TOO_BUSY = 1723;
inline constexpr int32_t RPC_S_CALL_FAILED = 1726;
inline constexpr int32_t RPC_S_CALL_FAILED_DNE = 1727;
inline constexpr int32_t RPC_S_PROTOCOL_ERROR = 1728;
inline constexpr int32_t RPC_S_UNSUPPORTED_TRANS_SYN = 1730;
inline constexpr int32_t RPC_S_DUPLICATE_ENDPOINT = 1740;
inline constexpr int32_t RPC_S_PROCNUM_OUT_OF_RANGE = 1745;
inline constexpr int32_t RPC_S_UNKNOWN_AUTHN_SERVICE = 1747;
inline constexpr int32_t RPC_X_BAD_STUB_DATA = 1783;
// Network (NERR_*) codes.
inline constexpr int32_t NERR_NetNotStarted = 2102;
inline constexpr int32_t NERR_UnknownServer = 2103;
inline constexpr int32_t NERR_GroupNotFound = 2220;
inline constexpr int32_t NERR_UserNotFound = 2221;
inline constexpr int32_t NERR_DuplicateShare = 2118;
inline constexpr int32_t NERR_BadTransactConfig = 2141;
inline constexpr int32_t NERR_NetNameNotFound = 2310;
inline constexpr int32_t NERR_DCNotFound = 2453;
inline constexpr int32_t ERROR_NO_BROWSER_SERVERS_FOUND = 6118;
// Windows Sockets codes.
inline constexpr int32_t WSAEINTR = 10004;
inline constexpr int32_t WSAEBADF = 10009;
inline constexpr int32_t WSAEACCES = 10013;
inline constexpr int32_t WSAEFAULT = 10014;
inline constexpr int32_t WSAEINVAL = 10022;
inline constexpr int32_t WSAEMFILE = 10024;
inline constexpr int32_t WSAEWOULDBLOCK = 10035;
inline constexpr int32_t WSAEINPROGRESS = 10036;
inline constexpr int32_t WSAEALREADY = 10037;
inline constexpr int32_t WSAENOTSOCK = 10038;
inline constexpr int32_t WSAEDESTADDRREQ = 10039;
inline constexpr int32_t WSAEMSGSIZE = 10040;
inline constexpr int32_t WSAEPROTOTYPE = 10041;
inline constexpr int32_t WSAENOPROTOOPT = 10042;
inline constexpr int32_t WSAEPROTONOSUPPORT = 10043;
inline constexpr int32_t WSAESOCKTNOSUPPORT = 10044;
inline constexpr int32_t WSAEOPNOTSUPP = 10045;
inline constexpr int32_t WSAEPFNOSUPPORT = 10046;
inline constexpr int32_t WSAEAFNOSUPPORT = 10047;
inline constexpr int32_t WSAEADDRINUSE = 10048;
inline constexpr int32_t WSAEADDRNOTAVAIL = 10049;
inline constexpr int32_t WSAENETDOWN = 10050;
inline constexpr int32_t WSAENETUNREACH = 10051;
inline constexpr int32_t WSAENETRESET = 10052;
inline constexpr int32_t WSAECONNABORTED = 10053;
inline constexpr int32_t WSAECONNRESET = 10054;
inline constexpr int32_t WSAENOBUFS = 10055;
inline constexpr int32_t WSAEISCONN = 10056;
inline constexpr int32_t WSAENOTCONN = 10057;
inline constexpr int32_t WSAESHUTDOWN = 10058;
inline constexpr int32_t WSAETIMEDOUT = 10060;
inline constexpr int32_t WSAECONNREFUSED = 10061;
inline constexpr int32_t WSAEHOSTDOWN = 10064;
inline constexpr int32_t WSAEHOSTUNREACH = 10065;
inline constexpr int32_t WSASYSNOTREADY = 10091;
inline constexpr int32_t WSANOTINITIALISED = 10093;
inline constexpr int32_t WSAHOST_NOT_FOUND = 11001;
inline constexpr int32_t WSATRY_AGAIN = 11002;
inline constexpr int32_t WSANO_RECOVERY = 11003;
inline constexpr int32_t WSANO_DATA = 11004;

namespace vk {

// Win32 code for an errno value of a file, process or thread call; unknown
// values map to ERROR_GEN_FAILURE (31), never to 0.
int32_t Win32FromErrno(int err);

// Windows Sockets code for an errno value of a socket call.
int32_t WinsockFromErrno(int err);

// Windows Sockets code for a getaddrinfo/getnameinfo result (EAI_*).
int32_t WinsockFromResolver(int eai, int err);

// Text of the system message table for a code, or empty when there is none.
std::u16string_view SystemErrorText(int32_t code);

// Text of the network message table (codes 2100 to 2999), or empty.
std::u16string_view NetworkErrorText(int32_t code);

}  // namespace vk
