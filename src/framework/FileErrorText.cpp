#include "framework/FileErrorText.h"

#include "platform/SystemError.h"

namespace framework {

std::wstring FileErrorText(const std::wstring& path, DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED: return L"Access to " + path + L" was denied.";
    case ERROR_SHARING_VIOLATION: return L"A sharing violation occurred while accessing " + path + L".";
    case ERROR_LOCK_VIOLATION: return L"A locking violation occurred while accessing " + path + L".";
    case ERROR_FILE_NOT_FOUND: return path + L" was not found.";
    case ERROR_PATH_NOT_FOUND: return path + L" contains an invalid path.";
    default: return path + L" " + platform::SystemErrorText(error);
    }
}

}  // namespace framework
