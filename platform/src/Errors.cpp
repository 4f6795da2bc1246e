#include "plat/Errors.h"

#include <cerrno>

namespace plat {
namespace {
thread_local uint32_t t_last_error = ERROR_SUCCESS;
}

uint32_t last_error() { return t_last_error; }

void set_last_error(uint32_t code) { t_last_error = code; }

uint32_t set_last_error_from_errno(int error_number) {
    uint32_t code = ERROR_GEN_FAILURE;
    switch (error_number) {
    case 0: code = ERROR_SUCCESS; break;
    case ENOENT: code = ERROR_FILE_NOT_FOUND; break;
    case ENOTDIR: code = ERROR_PATH_NOT_FOUND; break;
    case EACCES:
    case EPERM:
    case EISDIR: code = ERROR_ACCESS_DENIED; break;
    case EROFS: code = ERROR_WRITE_PROTECT; break;
    case EMFILE:
    case ENFILE: code = ERROR_TOO_MANY_OPEN_FILES; break;
    case ENOMEM: code = ERROR_NOT_ENOUGH_MEMORY; break;
    case ENOSPC:
    case EDQUOT: code = ERROR_DISK_FULL; break;
    case EEXIST: code = ERROR_ALREADY_EXISTS; break;
    case EINVAL: code = ERROR_INVALID_PARAMETER; break;
    case ENAMETOOLONG: code = ERROR_FILENAME_EXCED_RANGE; break;
    case ENOTEMPTY: code = ERROR_DIR_NOT_EMPTY; break;
    case EBADF: code = ERROR_INVALID_HANDLE; break;
    case ENXIO: code = ERROR_NOT_SUPPORTED; break;  // a FIFO, device or socket where a file was wanted
    default: break;
    }
    t_last_error = code;
    return code;
}

} // namespace plat
