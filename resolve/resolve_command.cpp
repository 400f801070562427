#include "resolve/resolve_command.h"

#include "http/http_fetch.h"
#include "resolve/escape_decoding.h"
#include "resolve/safe_file_name.h"

namespace dorvane {

Text fetch_text(const Text& url) {
  return to_text(http_fetch(url));
}

ShareFacts read_share_facts(const Text& reply) {
  ShareFacts facts;
  facts.resolver_reply = reply;
  facts.file_name = decode_escapes(text_between(reply, "\"name\": \"", "\", "));
  facts.file_size = text_between(reply, "\"size\": \"", "\"");
  facts.download_url = text_between(reply, "\"download\": \"", "\", ");
  facts.file_md5 = text_between(reply, "\"md5\": \"", "\", ");
  return facts;
}

ShareFacts resolve_share_link(WindowOps& window, const Text& resolver_prefix) {
  const Text link = window.control_text(Control::编辑框_地址);
  ShareFacts facts = read_share_facts(fetch_text(concat_text({resolver_prefix, link})));

  // Display order differs from extraction order: name, size, MD5, address.
  window.append_control_text(Control::编辑框_解析,
                             concat_text({"\r\n文件名称：", facts.file_name, "\r\n"}));
  window.append_control_text(Control::编辑框_解析,
                             concat_text({"\r\n文件尺寸：", facts.file_size, "\r\n"}));
  window.append_control_text(Control::编辑框_解析,
                             concat_text({"\r\n文件 MD5：", facts.file_md5, "\r\n"}));
  window.append_control_text(Control::编辑框_解析,
                             concat_text({"\r\n文件地址：", facts.download_url, "\r\n"}));

  // The name becomes the local file name: the resolver must not be able to
  // place the download outside the chosen folder.
  window.set_control_text(Control::编辑框_名称, "");
  window.set_control_text(Control::编辑框_名称, safe_file_name(facts.file_name));
  return facts;
}

}  // namespace dorvane
