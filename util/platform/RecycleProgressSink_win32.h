// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <shobjidl.h>

#include <string>

namespace platform {

// Watches the shell's file operation that moves one file to the recycle bin
// and keeps it from deleting anything for good: an item the bin cannot take
// (the shell offers it for deletion without TSF_DELETE_RECYCLE_IF_POSSIBLE:
// too large, on a drive without a bin) is refused before the shell acts on
// it, which cancels the operation, and the file stays. After a recycle it
// holds the file's new place in the bin ($R...) and the place of its record
// ($I...), as native paths in the program's narrow form (UTF-8).
//
// COM lifetime: the owner keeps the object alive (on the stack) for as long
// as the file operation holds it (from Advise to Unadvise and release).
//
// COM interfaces have no virtual destructor by design (an object is never
// deleted through one), which GCC's -Wnon-virtual-dtor reports for every
// class that implements one.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class RecycleProgressSink final : public IFileOperationProgressSink {
public:
    RecycleProgressSink() = default;
    RecycleProgressSink(const RecycleProgressSink&) = delete;
    RecycleProgressSink& operator=(const RecycleProgressSink&) = delete;

    // True when an item was refused because the bin would not take it.
    bool refusedPermanentDelete() const { return refusedPermanentDelete_; }
    // True once the shell reported the file recycled.
    bool recycled() const { return recycled_; }
    // The failure the shell reported for the item (S_OK when none).
    HRESULT deleteResult() const { return deleteResult_; }
    // The file in the bin and its record; empty when the shell did not say.
    const std::string& trashedPath() const { return trashedPath_; }
    const std::string& infoPath() const { return infoPath_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IFileOperationProgressSink: only the delete is watched.
    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem* item) override;
    HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD flags, IShellItem* item, HRESULT result,
                                             IShellItem* created) override;
    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT,
                                             IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                          IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

private:
    LONG references_ = 1;
    bool refusedPermanentDelete_ = false;
    bool recycled_ = false;
    HRESULT deleteResult_ = S_OK;
    std::string trashedPath_;
    std::string infoPath_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The native path of `item` in the file system, in the program's narrow
// form; empty when it has none.
std::string fileSystemPathOf(IShellItem& item);

// The record the recycle bin keeps beside the file `trashedPath`: the same
// folder and name with "$I" in place of the leading "$R"; empty when the
// name does not start with "$R".
std::string recycleRecordOf(const std::string& trashedPath);

}  // namespace platform
