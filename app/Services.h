#pragma once

#include "app/TimingLog.h"
#include "app/WxUserInterface.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteTimeParser.h"
#include "site/BidPlacer.h"
#include "site/DataPaths.h"
#include "site/ErrorReport.h"
#include "site/ItemPageReader.h"
#include "site/ServerList.h"

// The program's single instances, made once at start-up and handed to the
// windows that need them. At the end the user interface is shut down first,
// so that the worker thread, if it waits on a box, is let go before the
// client stops and joins it.
struct Services {
  explicit Services(DataPaths dataPaths)
      : paths(std::move(dataPaths)),
        servers(paths.PathOf(DataPaths::ServersFileName)),
        client(ui),
        report(ui),
        reader(client, times, clock, ui, report),
        placer(client, ui) {}
  ~Services() { ui.Shutdown(); }
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  DataPaths paths;
  ServerList servers;
  WxUserInterface ui;
  SiteTimeParser times;
  SystemClock clock;
  HttpClient client;
  ErrorReport report;
  ItemPageReader reader;
  BidPlacer placer;
  TimingLog timing;
};
