#include "games/ServerFile.h"

namespace games {

std::optional<std::wstring> DriveRoot(const std::wstring& path) {
  std::wstring rest = path;
  if (rest.starts_with(L"\\\\?\\") || rest.starts_with(L"\\\\.\\")) rest.erase(0, 4);
  const wchar_t letter = rest.empty() ? L'\0' : static_cast<wchar_t>(rest[0] | 0x20);
  if (rest.size() < 2 || rest[1] != L':' || letter < L'a' || letter > L'z') return std::nullopt;
  return rest.substr(0, 2) + L"\\";
}

State Judge(Probe probe, bool driveThere) {
  if (probe == Probe::File) return State::Present;
  if (!driveThere) return State::DriveMissing;
  return probe == Probe::Unreadable ? State::NotChecked : State::Gone;
}

}  // namespace games
