#pragma once
// Event source of the engine's text and progress notifications.
#include <functional>
#include <string>

namespace kz7 {

class Message {
public:
    using TextHandler = std::function<void(std::string& text)>;
    using ProgressHandler = std::function<void(float& progress)>;

    void SendTextMessage(std::string text) {
        if (onText) onText(text);
    }
    void UpdateProgress(float progress) {
        if (onProgress) onProgress(progress);
    }

    TextHandler onText;
    ProgressHandler onProgress;
};

}  // namespace kz7
