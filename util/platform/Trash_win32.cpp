// SPDX-License-Identifier: MIT
// The recycle bin through the shell's file operation object: the file is
// deleted with "recycle" asked for, a progress sink refuses any item the bin
// would not take (the shell would delete it for good) and reports where the
// file went in the bin. Under Wine, whose shell has the object but none of
// its methods, the file is moved into Wine's bin (the desktop's trash folder)
// directly; elsewhere a shell without it means no trash, never a deletion.
#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

#include <atomic>
#include <memory>

#include "util/platform/RecycleProgressSink_win32.h"
#include "util/platform/RenameFile.h"
#include "util/platform/SystemText_win32.h"
#include "util/platform/Trash.h"
#include "util/platform/WideNames_win32.h"
#include "util/platform/Wine.h"
#include "util/platform/WineTrashFolder_win32.h"

namespace platform {

namespace {

std::atomic<std::uintptr_t> trashOwnerWindow{0};

// COM on this thread for the length of one call, single-threaded as the
// shell's file operation requires; left as it was when it was already on.
class ComApartment {
public:
    ComApartment()
        : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // False on a thread whose COM is multithreaded: the shell cannot work there.
    bool singleThreaded() const { return result_ != RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

struct ReleaseCom {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename T>
using ComPointer = std::unique_ptr<T, ReleaseCom>;

// How one attempt with the shell's file operation ended.
enum class ShellOutcome { Recycled, Refused, Unsupported };

// What the shell's answer `result` means: a method Wine leaves unwritten.
ShellOutcome refusedOrUnsupported(HRESULT result, std::string& reason, const char* step) {
    if (result == E_NOTIMPL) {
        reason = std::string("the shell's file operation is not implemented (") + step + ")";
        return ShellOutcome::Unsupported;
    }
    reason = std::string(step) + ": " + systemText(static_cast<unsigned long>(result));
    return ShellOutcome::Refused;
}

// What the shell did with `path`, from its answer `result`, whether it
// reported the operation aborted, and what the sink saw.
ShellOutcome outcomeOf(const RecycleProgressSink& sink, HRESULT result, BOOL aborted,
                       const std::wstring& path, TrashedItem& item, std::string& reason) {
    if (sink.refusedPermanentDelete()) {
        reason = "the recycle bin cannot take the file (it would be deleted for good)";
        return ShellOutcome::Refused;
    }
    if (FAILED(result)) return refusedOrUnsupported(result, reason, "moving to the recycle bin");
    if (aborted || FAILED(sink.deleteResult())) {
        reason = aborted ? "the operation was cancelled"
                         : systemText(static_cast<unsigned long>(sink.deleteResult()));
        return ShellOutcome::Refused;
    }
    // A shell that reports no new item but left the file moved nothing.
    if (!sink.recycled() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        reason = "the shell left the file where it was";
        return ShellOutcome::Refused;
    }
    item.trashedPath = sink.trashedPath();
    item.infoPath = sink.infoPath();
    return ShellOutcome::Recycled;
}

// Deletes `path` with recycling asked for, through the shell's file
// operation with a progress sink that refuses permanent deletion.
ShellOutcome recycleWithShell(const std::wstring& path, TrashedItem& item, std::string& reason) {
    IFileOperation* created = nullptr;
    HRESULT result =
        ::CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&created));
    if (FAILED(result)) {
        reason =
            "the shell has no file operation: " + systemText(static_cast<unsigned long>(result));
        return ShellOutcome::Unsupported;
    }
    const ComPointer<IFileOperation> operation(created);
    const auto owner = reinterpret_cast<HWND>(trashOwnerWindow.load());
    // No questions, no error boxes; the progress box only with a window to own it.
    DWORD flags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOFX_RECYCLEONDELETE | FOFX_EARLYFAILURE;
    if (owner == nullptr) flags |= FOF_SILENT;
    result = operation->SetOperationFlags(flags);
    if (FAILED(result)) return refusedOrUnsupported(result, reason, "setting its flags");
    IShellItem* found = nullptr;
    result = ::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(&found));
    if (FAILED(result)) return refusedOrUnsupported(result, reason, "finding the file");
    const ComPointer<IShellItem> file(found);
    RecycleProgressSink sink;
    DWORD cookie = 0;
    // Without the sink nothing would stop a permanent deletion: no sink, no delete.
    result = operation->Advise(&sink, &cookie);
    if (FAILED(result)) return refusedOrUnsupported(result, reason, "watching the operation");
    if (owner != nullptr) (void)operation->SetOwnerWindow(owner);
    result = operation->DeleteItem(file.get(), nullptr);
    if (SUCCEEDED(result)) result = operation->PerformOperations();
    BOOL aborted = FALSE;
    if (SUCCEEDED(result)) (void)operation->GetAnyOperationsAborted(&aborted);
    (void)operation->Unadvise(cookie);
    return outcomeOf(sink, result, aborted, path, item, reason);
}

}  // namespace

bool moveToTrash(const std::string& path, TrashedItem& item, std::string& reason) {
    item = TrashedItem{path, {}, {}};
    std::wstring wide;
    if (!toWideName(path, wide) || wide.empty()) {
        reason = "the name is not valid UTF-8";
        return false;
    }
    const ComApartment com;
    if (!com.singleThreaded()) {
        reason = "the shell's file operation cannot run on this thread (multithreaded COM)";
        return false;
    }
    switch (recycleWithShell(wide, item, reason)) {
        case ShellOutcome::Recycled:
            return true;
        case ShellOutcome::Refused:
            return false;
        case ShellOutcome::Unsupported:
            break;
    }
    // Only Wine's bin is known well enough to be reached without the shell.
    if (!runningUnderWine()) return false;
    reason.clear();
    return WineTrashFolder().moveIn(path, item, reason);
}

bool trashedStatus(const TrashedItem& item, FileStatus& status, FileError& error) {
    if (item.trashedPath.empty()) {
        error = FileError{false, "the place in the recycle bin is not known"};
        return false;
    }
    return fileStatus(item.trashedPath, status, error);
}

bool restoreFromTrash(const TrashedItem& item, std::string& reason) {
    if (item.trashedPath.empty()) {
        reason = "the place in the recycle bin is not known";
        return false;
    }
    // A rename that fails when the original place is taken or its folder gone.
    if (!renameWithoutReplacing(item.trashedPath, item.originalPath, reason)) return false;
    // The record without its file would show as an empty entry of the bin.
    if (!item.infoPath.empty()) ::DeleteFileA(item.infoPath.c_str());
    return true;
}

void setTrashOwnerWindow(std::uintptr_t nativeWindow) {
    trashOwnerWindow.store(nativeWindow);
}

}  // namespace platform
