// While a drive erases or writes, the signals that end a process (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT) are caught instead: a drive left busy stays
// unusable until it is power-cycled. The job is then stopped, the library
// finished, and the signal sent again to whatever handled it before.
#pragma once

namespace imapi_burn {

class AbortSignals {
 public:
  // Counted: the handlers stay while any job runs.
  static void Arm();
  static void Disarm();
  // The caught signal, or 0.
  static int Pending();
  // Puts the earlier handlers back and raises the caught signal again.
  static void Resend();

 private:
  static void OnSignal(int signal);
};

}  // namespace imapi_burn
