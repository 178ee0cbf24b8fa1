#include "platform/menu_requests.h"

#include <windows.h>

#include <QByteArray>

namespace zolvantek::platform {
namespace {

// A message-only window of this class takes the requests; its name is the program's id.
constexpr char kWindowClass[] = "com.brindlex.Zolvantek.MenuRequests";
constexpr ULONG_PTR kShowMenu = 1;
constexpr UINT kAnswerMs = 3000;
constexpr DWORD kStartingInstanceMs = 5000;

class WindowMenuRequests final : public MenuRequests {
public:
    WindowMenuRequests() {
        WNDCLASSEXA type{};
        type.cbSize = sizeof type;
        type.lpfnWndProc = &WindowMenuRequests::Receive;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = kWindowClass;
        RegisterClassExA(&type);
        window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  type.hInstance, nullptr);
        if (window_ != nullptr) {
            SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
    }
    ~WindowMenuRequests() override {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    bool listening() const { return window_ != nullptr; }

private:
    // Runs on the thread that made the window, the program's one thread, from Qt's loop.
    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            auto* self =
                reinterpret_cast<WindowMenuRequests*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (self != nullptr && data->dwData == kShowMenu) {
                emit self->showRequested(
                    QString::fromUtf8(static_cast<const char*>(data->lpData), int(data->cbData)));
                return TRUE;
            }
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<MenuRequests> ListenForMenuRequests() {
    auto requests = std::make_unique<WindowMenuRequests>();
    return requests->listening() ? std::move(requests) : nullptr;
}

bool RequestMenu(const QString& menu) {
    HWND receiver = nullptr;
    for (DWORD waited = 0;; waited += 100) {
        receiver = FindWindowExA(HWND_MESSAGE, nullptr, kWindowClass, nullptr);
        if (receiver != nullptr) break;
        if (waited >= kStartingInstanceMs) return false;
        Sleep(100);
    }
    // The start from a shortcut key is the foreground process: it lets the running one
    // bring its menu to the front.
    AllowSetForegroundWindow(ASFW_ANY);
    QByteArray word = menu.toUtf8();
    COPYDATASTRUCT data{kShowMenu, DWORD(word.size()), word.data()};
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, kAnswerMs, &answer) != 0 &&
           answer == TRUE;
}

}  // namespace zolvantek::platform
