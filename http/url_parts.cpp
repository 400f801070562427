#include "http/url_parts.h"

namespace dorvane {
namespace {

// The host between the scheme and the first "/" of the lower-cased URL.
Text host_after_scheme(Text w, bool main_domain) {
  if (text_right(w, 1) != "/") w += "/";
  if (text_left(w, 8) == "https://") {
    w = text_between(w, "https://", "/");
  } else {
    // Any "http://" counts, not only a leading one.
    if (find_text(w, "http://") == -1) w = "http://" + w;
    w = text_between(w, "http://", "/");
  }
  if (main_domain) {
    const TextList labels = split_text(w, ".");
    const std::int32_t count = list_count(labels);
    if (count > 1) w = concat_text({list_item(labels, count - 1), ".", list_item(labels, count)});
  }
  return w;
}

// Keeps the last n + 1 (main_domain) or n + 2 labels; too few dots keep it whole.
Text host_by_label_count(Text w, bool main_domain, std::int32_t n) {
  w = replace_text(w, "http://");
  w = replace_text(w, "https://");
  const std::int32_t slash = find_text(w, "/");
  if (slash != -1) w = text_left(w, slash - 1);

  const std::int32_t length = text_length(w);
  std::int32_t h = length;
  for (std::int32_t i = 0; i < n; ++i) h = find_text_last(w, ".", h);
  const std::int32_t d = find_text_last(w, ".", h);
  if (main_domain) return text_right(w, length - d);
  if (d != -1) {
    const std::int32_t e = find_text_last(w, ".", d);
    if (e != -1) return text_right(w, length - e);
  }
  return w;
}

}  // namespace

Text url_host(std::string_view url, bool main_domain, bool keep_port,
              std::optional<std::int32_t> label_count) {
  Text w = to_lower(url);
  w = label_count ? host_by_label_count(std::move(w), main_domain, *label_count)
                  : host_after_scheme(std::move(w), main_domain);
  if (!keep_port) {
    const std::int32_t colon = find_text(w, ":");
    if (colon != -1) w = text_left(w, colon - 1);
  }
  return w;
}

std::int32_t url_port(std::string_view url) {
  const Text host = url_host(url, false, true);
  const std::int32_t colon = find_text_last(host, ":");
  if (colon == -1) return to_lower(text_left(url, 5)) == "https" ? 443 : 80;
  return to_int(text_right(host, text_length(host) - colon));
}

Text url_path(std::string_view url) {
  const Text host = url_host(url);
  const std::int32_t at = find_text(url, host, 1, true);
  const std::int32_t slash = find_text(url, "/", at, true);
  if (slash == -1) return "/";
  return text_right(url, text_length(url) - slash + 1);
}

}  // namespace dorvane
