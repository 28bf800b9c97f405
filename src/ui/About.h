#pragma once
// The About box: the program's picture, name, version and notice line, and two links, to
// the web site and to a mail to the support address. Made once at start, hidden, and shown
// modally as often as asked.

#include "base/Handles.h"
#include "base/Prompt.h"

#include <windows.h>

#include <functional>
#include <string>

namespace quarrow {

struct TAboutInfo {
    std::wstring ProductName;
    std::wstring Version;
    std::wstring Copyright;
    std::wstring Internet; // the web site's address
    std::wstring Email;    // the support address

    // "mailto:" with a subject that names the product and its version.
    std::wstring MailLink() const;
};

// The box's layout and handlers, for any product.
class TMyAboutForm : public IModalForm {
public:
    TMyAboutForm(HWND owner, TAboutInfo info);
    ~TMyAboutForm() override;
    TMyAboutForm(const TMyAboutForm&) = delete;
    TMyAboutForm& operator=(const TMyAboutForm&) = delete;

    // Creates the window, hidden (FormCreate); false when the platform refuses.
    bool Create(int dpi);
    HWND Handle() const { return handle_; }
    const TAboutInfo& Info() const { return info_; }

    // Centres the box on its owner, disables the owner and runs until OK, Escape or the
    // close box; the box is hidden again afterwards.
    PromptResult ShowModal() override;
    std::wstring Caption() const override;
    // Lays the box out anew when the owner has moved to a screen of another density.
    void SetDpi(int dpi);

    // Opens a link; the shell's "open" unless replaced (tests record instead).
    std::function<void(const std::wstring& link)> OpenLink;

    HWND Image1 = nullptr;
    HWND LabelProductName = nullptr;
    HWND LabelVersion = nullptr;
    HWND LabelCopyright = nullptr;
    HWND Panel1 = nullptr;
    HWND LabelContact = nullptr;
    HWND LabelInternetCaption = nullptr;
    HWND LabelInternet = nullptr;
    HWND LabelEmailCaption = nullptr;
    HWND LabelEmail = nullptr;
    HWND Panel3 = nullptr;
    HWND ButtonOK = nullptr;

protected:
    void FormCreate();
    void LabelInternetClick();
    void LabelEmailClick();
    // Both serve both link labels.
    void LabelEmailMouseEnter();
    void LabelEmailMouseLeave();

private:
    friend LRESULT CALLBACK AboutFormWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool IsLink(HWND control) const {
        return control != nullptr && (control == LabelInternet || control == LabelEmail);
    }
    void CreateFonts();
    void Layout();
    int Scale(int designed) const { return MulDiv(designed, dpi_, 96); }

    HWND owner_;
    HWND handle_ = nullptr;
    TAboutInfo info_;
    int dpi_ = 96;
    bool modal_ = false;
    bool closing_ = false;
    UniqueGdiObject font_;
    UniqueGdiObject productFont_;
    UniqueGdiObject linkFont_;
    UniqueIcon picture_;
};

// The program's own About box.
class TAboutForm : public TMyAboutForm {
public:
    explicit TAboutForm(HWND owner);
};

} // namespace quarrow
