#include "Json.h"

namespace kelvra::tool {

void printJson(const Json& document, std::FILE* out) {
    const std::string text = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::fprintf(out, "%s\n", text.c_str());
}

}  // namespace kelvra::tool
