// The camera module's text console (CKelvra::SendText, CKelvra::ReceiveText).
#include "device/ProductIds.h"
#include "front/CKelvra.h"

namespace kelvra {

int CKelvra::SendText(const char* text, int length) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (ProductId() != product::kModuleConsole) return RecordError(kErrorUnsupported), 0;
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (text == nullptr || length < 0) return RecordError(kErrorParameter), 0;
    if (!device_->SendText(text, length)) return RecordError(kErrorDevice), 0;
    return 1;
}

int CKelvra::ReceiveText(char* text, int length) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (ProductId() != product::kModuleConsole) return RecordError(kErrorUnsupported), 0;
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (text == nullptr || length <= 0) return RecordError(kErrorParameter), 0;
    return device_->ReceiveText(text, length);
}

}  // namespace kelvra
