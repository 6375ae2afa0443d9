#pragma once
// Outcome of one device call: code 0 is success; any other code comes with the device's
// own text for it, which the caller shows as it stands (cut to 127 characters).

#include <string>

struct DeviceResult {
  int code = 0;
  std::string text;

  bool ok() const { return code == 0; }
  static DeviceResult Ok() { return {}; }
  static DeviceResult Error(int c, std::string t) { return {c == 0 ? -1 : c, std::move(t)}; }
};
