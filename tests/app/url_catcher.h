// Receives the addresses the desktop is asked to open (QDesktopServices::setUrlHandler).
#pragma once

#include <QObject>
#include <QUrl>
#include <vector>

namespace dorvane::testing {

class UrlCatcher : public QObject {
  Q_OBJECT
 public slots:
  void open(const QUrl& url) { urls.push_back(url); }

 public:
  std::vector<QUrl> urls;
};

}  // namespace dorvane::testing
