// The resolve command: asks the resolver about the share link in 编辑框_地址 and
// reports the file name, size, MD5 and direct download address it answers.
#pragma once

#include "core/text.h"
#include "core/window_ops.h"

namespace dorvane {

struct ShareFacts {
  Text resolver_reply;  // the whole reply body
  Text file_name;       // decoded, as the resolver sent it (not yet made safe)
  Text file_size;       // verbatim
  Text download_url;    // verbatim
  Text file_md5;        // verbatim
};

// The body of a GET of `url` with the default headers, up to its first zero
// byte; empty when nothing arrives.
Text fetch_text(const Text& url);

// The four fields cut out of a resolver reply by their markers (a missing field
// is empty); only the name is decoded.
ShareFacts read_share_facts(const Text& reply);

// Fetches `resolver_prefix` + the raw link of 编辑框_地址, appends the four
// labelled lines to 编辑框_解析 and puts the name, made safe for use as a file
// name, into 编辑框_名称. Shows no message whatever the outcome.
ShareFacts resolve_share_link(WindowOps& window, const Text& resolver_prefix);

}  // namespace dorvane
