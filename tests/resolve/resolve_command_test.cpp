#include "resolve/resolve_command.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/script_server.h"

namespace dorvane {
namespace {

using namespace std::string_literals;
using testing::Connection;
using testing::HttpRequest;
using testing::ScriptServer;

// The main window's controls as plain texts.
class TextWindow : public WindowOps {
 public:
  Text control_text(Control control) override { return texts[control]; }
  void set_control_text(Control control, const Text& text) override {
    texts[control] = text;
    set_calls.emplace_back(control, text);
  }
  void append_control_text(Control control, const Text& text) override { texts[control] += text; }
  void set_progress_position(Control, std::int32_t) override { ADD_FAILURE() << "progress set"; }
  void set_timer_period(Control, std::int32_t) override { ADD_FAILURE() << "timer set"; }
  std::int32_t message_box(const Text& text, std::int32_t, const std::optional<Text>&) override {
    ADD_FAILURE() << "the resolve command showed a message: " << text;
    return 0;
  }

  std::map<Control, Text> texts;
  std::vector<std::pair<Control, Text>> set_calls;
};

Text report(const Text& name, const Text& size, const Text& md5, const Text& url) {
  return "\r\n文件名称：" + name + "\r\n\r\n文件尺寸：" + size + "\r\n\r\n文件 MD5：" + md5 +
         "\r\n\r\n文件地址：" + url + "\r\n";
}

void expect_facts(const ShareFacts& actual, const ShareFacts& expected) {
  EXPECT_EQ(actual.resolver_reply, expected.resolver_reply);
  EXPECT_EQ(actual.file_name, expected.file_name);
  EXPECT_EQ(actual.file_size, expected.file_size);
  EXPECT_EQ(actual.download_url, expected.download_url);
  EXPECT_EQ(actual.file_md5, expected.file_md5);
}

const Text kExampleReply =
    R"({"name": "a\u6587.txt", "size": "1024", "download": "D", "md5": "M", "x": "y"})";

struct ExtractCase {
  const char* title;
  Text reply;
  Text name, size, download, md5;
};

const std::vector<ExtractCase> kExtractCases = {
    {"example reply", kExampleReply, "a文.txt", "1024", "D", "M"},
    {"md5 as the last pair", R"({"name": "n", "size": "1", "download": "D", "md5": "M"})", "n", "1",
     "D", ""},
    {"name as the last pair", R"({"size": "1", "download": "D", "name": "n"})", "", "1", "D", ""},
    {"bare number size", R"({"name": "n", "size": 1024, "download": "D", "md5": "M", })", "n", "",
     "D", "M"},
    {"size as the last pair", R"({"name": "n", "download": "D", "md5": "M", "size": "1024"})", "n",
     "1024", "D", "M"},
    {"order does not matter, first pair wins",
     R"({"md5": "M1", "download": "D1", "name": "n1", "name": "n2", "md5": "M2", "size": "1"})",
     "n1", "1", "D1", "M1"},
    {"JSON escapes in the address are kept",
     R"({"download": "http:\/\/h\/f?a=1", "name": "a\/b", "size": "1"})", "a/b", "1",
     "http:\\/\\/h\\/f?a=1", ""},
    {"value cut at its closing marker", R"({"name": "x", y", "size": "1"2", "md5": "", })", "x",
     "1", "", ""},
    {"keys match case-sensitively", R"({"Name": "n", "SIZE": "1", "download" : "D", })", "", "", "",
     ""},
    {"no space after the colon", R"({"name":"n", "size":"1", "md5":"M", })", "", "", "", ""},
    {"empty reply", "", "", "", "", ""},
};

TEST(ReadShareFacts, CutsTheFourFieldsByTheirMarkers) {
  for (const ExtractCase& c : kExtractCases) {
    SCOPED_TRACE(c.title);
    expect_facts(read_share_facts(c.reply), {c.reply, c.name, c.size, c.download, c.md5});
  }
}

struct CommandCase {
  const char* title;
  Text link;
  int status;
  std::string body;
  std::string target;  // the request target the resolver must receive
  ShareFacts facts;    // resolver_reply is the body up to its first zero byte
  Text name_box;
};

const std::vector<CommandCase> kCommandCases = {
    {"empty link",
     "",
     200,
     kExampleReply,
     "/baidu/?url=",
     {kExampleReply, "a文.txt", "1024", "D", "M"},
     "a文.txt"},
    {"blanks and non-ASCII in the link",
     "  https://pan.example/s/1Ab c?pwd=%2F&x=中#list",
     200,
     kExampleReply,
     "/baidu/?url=%20%20https://pan.example/s/1Ab%20c?pwd=%2F&x=%D6%D0%23list",
     {kExampleReply, "a文.txt", "1024", "D", "M"},
     "a文.txt"},
    {"reply without some fields",
     "l",
     200,
     R"({"name": "x.bin", "size": 5, "md5": "M"})",
     "/baidu/?url=l",
     {R"({"name": "x.bin", "size": 5, "md5": "M"})", "x.bin", "", "", ""},
     "x.bin"},
    {"HTML error page",
     "l",
     404,
     "<html><body><h1>404 Not Found</h1></body></html>",
     "/baidu/?url=l",
     {"<html><body><h1>404 Not Found</h1></body></html>", "", "", "", ""},
     ""},
    {"reply cut at its first zero byte",
     "l",
     200,
     "{\"name\": \"z\", \"size\": \"1\", \"download\": \"D\", \0\"md5\": \"M\", }"s,
     "/baidu/?url=l",
     {R"({"name": "z", "size": "1", "download": "D", )", "z", "1", "D", ""},
     "z"},
    {"name climbing out of the folder",
     "l",
     200,
     R"({"name": "..\\..\\x", "size": "1", "download": "D", "md5": "M", })",
     "/baidu/?url=l",
     {R"({"name": "..\\..\\x", "size": "1", "download": "D", "md5": "M", })", "..\\..\\x", "1", "D",
      "M"},
     ".._.._x"},
    {"name with a slash",
     "l",
     200,
     R"({"name": "a\/b", "size": "1", })",
     "/baidu/?url=l",
     {R"({"name": "a\/b", "size": "1", })", "a/b", "1", "", ""},
     "a_b"},
    {"name with a drive",
     "l",
     200,
     R"({"name": "C:x", "size": "1", })",
     "/baidu/?url=l",
     {R"({"name": "C:x", "size": "1", })", "C:x", "1", "", ""},
     "C_x"},
    {"name that is the parent folder",
     "l",
     200,
     R"({"name": "..", "size": "1", })",
     "/baidu/?url=l",
     {R"({"name": "..", "size": "1", })", "..", "1", "", ""},
     "__"},
};

TEST(ResolveShareLink, AsksTheResolverAndReportsWhatItAnswers) {
  for (const CommandCase& c : kCommandCases) {
    SCOPED_TRACE(c.title);
    ScriptServer server(
        ScriptServer::each_request([&c](Connection& connection, const HttpRequest&) {
          connection.send_response(c.status, c.status == 200 ? "OK" : "Not Found",
                                   {"Content-Type: text/html; charset=gbk"}, c.body);
        }));
    TextWindow window;
    window.texts[Control::编辑框_地址] = c.link;
    window.texts[Control::编辑框_解析] = "earlier\r\n";
    window.texts[Control::编辑框_名称] = "old name";

    const ShareFacts facts = resolve_share_link(window, server.url("/baidu/?url="));

    const std::vector<HttpRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, c.target);
    expect_facts(facts, c.facts);
    EXPECT_EQ(window.texts[Control::编辑框_解析],
              "earlier\r\n" + report(c.facts.file_name, c.facts.file_size, c.facts.file_md5,
                                     c.facts.download_url));
    const std::vector<std::pair<Control, Text>> name_sets = {{Control::编辑框_名称, ""},
                                                             {Control::编辑框_名称, c.name_box}};
    EXPECT_EQ(window.set_calls, name_sets);
  }
}

TEST(ResolveShareLink, WithoutAResolverShowsFourBareLabels) {
  std::string prefix;
  {
    ScriptServer gone(ScriptServer::each_request([](Connection&, const HttpRequest&) {}));
    prefix = gone.url("/baidu/?url=");
  }
  TextWindow window;
  window.texts[Control::编辑框_地址] = "https://pan.example/s/1Ab";
  window.texts[Control::编辑框_名称] = "old name";

  const ShareFacts facts = resolve_share_link(window, prefix);

  expect_facts(facts, {});
  EXPECT_EQ(window.texts[Control::编辑框_解析],
            "\r\n文件名称：\r\n\r\n文件尺寸：\r\n\r\n文件 MD5：\r\n\r\n文件地址：\r\n");
  EXPECT_EQ(window.texts[Control::编辑框_名称], "");
}

TEST(ResolveShareLink, TwoResolvesInARowLeaveEightLabelledLines) {
  std::atomic<int> served{0};
  ScriptServer server(ScriptServer::each_request([&served](Connection& c, const HttpRequest&) {
    const std::string n = std::to_string(++served);
    c.send_response(200, "OK", {},
                    "{\"name\": \"f" + n + "\", \"size\": \"" + n + "\", \"download\": \"D" + n +
                        "\", \"md5\": \"M" + n + "\", }");
  }));
  TextWindow window;
  window.texts[Control::编辑框_地址] = "l";

  resolve_share_link(window, server.url("/baidu/?url="));
  const ShareFacts second = resolve_share_link(window, server.url("/baidu/?url="));

  expect_facts(
      second, {"{\"name\": \"f2\", \"size\": \"2\", \"download\": \"D2\", \"md5\": \"M2\", }", "f2",
               "2", "D2", "M2"});
  EXPECT_EQ(window.texts[Control::编辑框_解析],
            report("f1", "1", "M1", "D1") + report("f2", "2", "M2", "D2"));
  EXPECT_EQ(window.texts[Control::编辑框_名称], "f2");
}

}  // namespace
}  // namespace dorvane
