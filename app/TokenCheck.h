#pragma once
// The token check of the window set-up: asks the service for an access token
// and shows the outcome in the caption; on failure the user is told and the
// API key window opens, and the set-up goes on once it has been closed.
namespace velmora {

class Program;

inline constexpr const char* kTokenGoodSuffix = "---服务器验证成功";
inline constexpr const char* kTokenBadSuffix = "---服务器验证失败";
inline constexpr const char* kTokenBadMessage = "服务器授权失败！请检查API KEY";

void checkServiceToken(Program& program);

}  // namespace velmora
