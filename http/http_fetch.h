// One complete HTTP exchange: GET or POST with completed request headers, the
// whole reply body, the raw reply header block and the cookies the server set.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace dorvane {

// Optional in/out parameters are pointers: nullptr means "not supplied". For
// `cookies` the mere presence matters (an empty supplied text switches the
// transport's own cookie handling off). The caller's variables are written only
// when the exchange got as far as sending the request.
Bytes http_fetch(const Text& url, std::int32_t method = 0, const Text& body_text = {},
                 Text* cookies = nullptr, Text* reply_cookies = nullptr, Text* headers = nullptr,
                 Text* reply_headers = nullptr, bool no_redirect = false,
                 Bytes* body_bytes = nullptr, const Text& proxy = {});

}  // namespace dorvane
