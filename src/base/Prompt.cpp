#include "base/Prompt.h"

namespace quarrow {

void ShowErrorBox(IPrompt& prompt, const std::wstring& text) {
    std::wstring message = text;
    if (!message.empty() && message.back() > L'.')
        message += L'.';
    prompt.Message(PromptType::Error, message, PromptButtons::Ok);
}

} // namespace quarrow
