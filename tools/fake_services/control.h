#pragma once

#include "httpmessage.h"

namespace corvane::fake {

class FakeServices;

// The control routes for a fake that runs as a separate program; JSON in, JSON out.
//   GET  /_control/info                  {"api","pushover","socket","feed","ca","keys"}
//   POST /_control/answer                {"path","key"?,"status"?,"body"}  body: text or JSON
//   POST /_control/answer/clear          {"path","key"?}; without "path": every answer
//   POST /_control/fault                 {"path","kind"?,"status"?,"delay_ms"?,"sticky"?,
//                                         "bytes"?}  kind: drop|garbage|truncated|oversized
//   POST /_control/fault/clear
//   GET  /_control/requests              [{"method","path","query","query_items","headers",
//                                          "form","body"}]
//   POST /_control/requests/clear
//   POST /_control/feed                  {"body"}  the appcast served at /appcast.xml
//   POST /_control/pushover/account      {"email","password","twofa"?}
//   POST /_control/pushover/message      {"message","title"?,"app"?,"aid"?,"email"?}
//   POST /_control/pushover/keepalive    {"interval_ms"}
//   POST /_control/pushover/frame        {"data","binary"?}  (binary unless "binary":false)
//   POST /_control/pushover/close        {"code"?}
//   GET  /_control/pushover/frames       [{"direction":"in"|"out","binary","data"}]
//   POST /_control/pushover/frames/clear
HttpResponse handleControl(FakeServices& fake, const HttpRequest& request);

} // namespace corvane::fake
