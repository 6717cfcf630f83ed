// velmora-standin: the vision service stand-in as a program, for running
// Velmora offline. Point "Host" in section "config" of config.ini at the
// address it prints.
//
//   velmora-standin [--port N] [--api-key K --secret-key S] [--token T] [--score X]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/contract/StopSignals.h"
#include "tools/standin/VisionStandIn.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: velmora-standin [--port N] [--api-key K --secret-key S] [--token T] [--score X]\n"
               "  --port N        port on 127.0.0.1 (default 8710; 0 chooses a free one)\n"
               "  --api-key K     the only API key accepted (default: any non-empty key pair)\n"
               "  --secret-key S  the only secret key accepted\n"
               "  --token T       the access token handed out and required\n"
               "  --score X       similarity of two different pictures (default 95.5)\n");
}

}  // namespace

int main(int argc, char** argv) {
  using velmora::standin::Settings;
  Settings settings;
  int port = 8710;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      usage();
      return 0;
    }
    if (i + 1 >= argc) {
      usage();
      return 2;
    }
    const char* value = argv[++i];
    if (option == "--port") port = std::atoi(value);
    else if (option == "--api-key") settings.apiKey = value;
    else if (option == "--secret-key") settings.secretKey = value;
    else if (option == "--token") settings.accessToken = value;
    else if (option == "--score") settings.matchScore = std::atof(value);
    else {
      usage();
      return 2;
    }
  }

  velmora::contract::blockStopSignals();

  velmora::standin::VisionStandIn service(settings);
  if (!service.start(port)) {
    std::fprintf(stderr, "velmora-standin: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("velmora-standin listening on %s (access token %s)\n", service.host().c_str(),
              settings.accessToken.c_str());
  std::fflush(stdout);

  velmora::contract::waitForStopSignal();
  service.stop();
  return 0;
}
