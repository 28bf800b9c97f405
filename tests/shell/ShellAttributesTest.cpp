#include "shell/ShellUnit.h"

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

// A folder that answers every attribute request with more bits than were asked for, as
// shell folders may.
class TGenerousFolder : public IShellFolder {
public:
    explicit TGenerousFolder(SFGAOF attributes) : attributes_(attributes) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IShellFolder) {
            *object = static_cast<IShellFolder*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*,
                                               ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF* attributes) override {
        *attributes = attributes_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCWSTR, SHGDNF, LPITEMIDLIST*) override {
        return E_NOTIMPL;
    }

private:
    SFGAOF attributes_;
};

} // namespace

// The file-system-only walk asks whether an object is a file-system object or ancestor:
// other bits in the answer must not count as a yes.
TEST(ShellAttributes, OnlyTheAttributesAskedForAreReported) {
    const unsigned char empty[2] = {0, 0};
    const auto item = reinterpret_cast<LPCITEMIDLIST>(empty);
    TGenerousFolder virtualObject(SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_CANLINK | SFGAO_BROWSABLE);
    EXPECT_EQ(0u, ShellAttributes(virtualObject, item, SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR));
    EXPECT_EQ(static_cast<SFGAOF>(SFGAO_FOLDER),
              ShellAttributes(virtualObject, item, SFGAO_FOLDER | SFGAO_FILESYSANCESTOR));
    TGenerousFolder fileSystemObject(SFGAO_FILESYSTEM | SFGAO_CANDELETE | SFGAO_STREAM);
    EXPECT_EQ(static_cast<SFGAOF>(SFGAO_FILESYSTEM),
              ShellAttributes(fileSystemObject, item, SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR));
}
