// The HTTP request object "MSXML2.ServerXMLHTTP", a class of the automation
// object model over libcurl's multi interface, driven on the calling thread:
// "send" starts the transfer and returns, "readyState" (one non-blocking step)
// and "waitForResponse" (blocks up to a limit) drive it. No threads.
//
// Members:
//   open(method, url, async)     prepares a request; again for every request on the
//                                same object (the connection is kept and reused)
//   setRequestHeader(name, value) sent in the order set; an empty value is sent
//                                as an empty header
//   send()                       starts the request and returns at once (async), or
//                                returns when it is complete (async false/omitted)
//   readyState                   0 unsent or aborted, 1 opened or sent, 2 reply head
//                                read, 3 body arriving, 4 complete or failed
//   waitForResponse(seconds)     true when complete within the limit (omitted: no limit)
//   abort()                      cancels a request in flight; a complete one is kept
//   status, statusText           the reply's status code and its own reason phrase
//   responseBody                 a Variant holding the body as a byte array
//   getResponseHeader(name)      the value (case-insensitive name; repeated headers
//                                joined with ", "), empty when absent
//
// A request that failed (connection refused or dropped mid-body, a body shorter
// than its Content-Length, a bad address, a scheme other than http/https, also
// after a redirect, a certificate that does not verify) completes with
// readyState 4, and "status", "statusText" and "responseBody" then fail with
// kHttpRequestFailed: the caller reads status 0 and never sees a partial body.
// Before a reply head has arrived they fail with kHttpNoReply.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dorvane {

inline constexpr std::string_view kServerXmlHttpProgId = "MSXML2.ServerXMLHTTP";
// A class identifier of our own.
inline constexpr std::string_view kServerXmlHttpClassId = "{B4740486-0667-4E19-9738-555F084DFF8B}";

// Failure codes of the members (see automation_failure_code()).
inline constexpr std::int32_t kHttpNoReply = -101;        // nothing received yet / aborted
inline constexpr std::int32_t kHttpRequestFailed = -102;  // the request completed as failed
inline constexpr std::int32_t kHttpWrongState = -103;     // e.g. send before open
inline constexpr std::int32_t kHttpBadArgument = -104;

// A reply body above this size (by its Content-Length, or as it arrives)
// fails the request instead of filling memory.
inline constexpr std::int64_t kServerXmlHttpMaxBody = 64 * 1024 * 1024;

// Registers the class under its programmatic and class identifiers. Idempotent.
void register_server_xml_http();

// Certificate authorities that objects created from now on trust for https,
// instead of the system's (a PEM file path; empty: the system's again). Tests
// use it with a test authority of their own.
void set_server_xml_http_ca_file(std::string path);

// The address as libcurl gets it: UTF-8, with spaces, control characters,
// '"', '<', '>' and every non-ASCII character percent-encoded, as a browser
// sends it; leading and trailing spaces and controls, tabs and line ends
// dropped. An existing %XX stays as it is.
std::string encode_request_url(std::u16string_view url);

}  // namespace dorvane
