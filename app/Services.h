#pragma once

#include "app/TimingLog.h"
#include "app/WxUserInterface.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/DataPaths.h"
#include "site/ServerList.h"

// The program's single instances, made once at start-up and handed to the
// windows that need them. At the end the user interface is shut down first,
// so that the worker thread, if it waits on a box, is let go before the
// client stops and joins it.
struct Services {
  explicit Services(DataPaths dataPaths)
      : paths(std::move(dataPaths)),
        servers(paths.PathOf(DataPaths::ServersFileName)),
        client(ui) {}
  ~Services() { ui.Shutdown(); }
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  DataPaths paths;
  ServerList servers;
  WxUserInterface ui;
  SiteTimeParser times;
  SystemClock clock;
  HttpClient client;
  TimingLog timing;
};
