#include "api/WideArguments.h"

#include "platform/TextCodec.h"

namespace kelvra {

NarrowArgument::NarrowArgument(CKelvra& front, const WCHAR* wide) {
    if (wide == nullptr) {
        isNull_ = true;
        ok_ = true;
        return;
    }
    ok_ = platform::WideToNarrow(wide, text_.data(), text_.size());
    if (!ok_) front.RecordError(kErrorConversion);
}

}  // namespace kelvra
