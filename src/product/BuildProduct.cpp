// Compiled once per product with KELVRA_PRODUCT_ID (cmake/KelvraProduct.cmake); this file must
// define nothing else, so that a program linking one product's object never also pulls in
// another's from a library.
#include "product/BuildProduct.h"

namespace kelvra {

int32_t BuildProductId() {
    return KELVRA_PRODUCT_ID;
}

}  // namespace kelvra
