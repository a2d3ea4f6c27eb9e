// SPDX-License-Identifier: MIT
#include "util/platform/RecycleProgressSink_win32.h"

#include "util/platform/WideNames_win32.h"

namespace platform {

HRESULT RecycleProgressSink::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IFileOperationProgressSink) {
        *object = static_cast<IFileOperationProgressSink*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecycleProgressSink::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

ULONG RecycleProgressSink::Release() {
    // Owned by its creator, never deleted through COM.
    return static_cast<ULONG>(::InterlockedDecrement(&references_));
}

HRESULT RecycleProgressSink::PreDeleteItem(DWORD flags, IShellItem*) {
    // Without this flag the shell would delete the item for good: the bin
    // cannot take it. Failing here cancels the delete and what follows it.
    if ((flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) != 0) return S_OK;
    refusedPermanentDelete_ = true;
    return E_ABORT;
}

HRESULT RecycleProgressSink::PostDeleteItem(DWORD, IShellItem*, HRESULT result,
                                            IShellItem* created) {
    if (FAILED(result)) {
        deleteResult_ = result;
        return S_OK;
    }
    // The item the delete created is the file's new self in the bin.
    recycled_ = created != nullptr;
    if (created != nullptr) {
        trashedPath_ = fileSystemPathOf(*created);
        infoPath_ = recycleRecordOf(trashedPath_);
    }
    return S_OK;
}

std::string fileSystemPathOf(IShellItem& item) {
    wchar_t* wide = nullptr;
    std::string path;
    if (SUCCEEDED(item.GetDisplayName(SIGDN_FILESYSPATH, &wide)) && wide != nullptr &&
        !toNarrowName(wide, path))
        path.clear();
    ::CoTaskMemFree(wide);
    return path;
}

std::string recycleRecordOf(const std::string& trashedPath) {
    const std::size_t name = trashedPath.find_last_of('\\') + 1;  // 0 without a folder
    if (trashedPath.compare(name, 2, "$R") != 0) return {};
    std::string record = trashedPath;
    record[name + 1] = 'I';
    return record;
}

}  // namespace platform
