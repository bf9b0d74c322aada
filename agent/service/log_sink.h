// Where an agent activity's log goes when the activity fails: the agent's
// log file DeskAgent.log. Every part that writes its failures there is given
// the sink when it is built.
#pragma once

class cOrkLog;

class iVkLogSink {
 public:
  virtual ~iVkLogSink() = default;
  // Writes every message of `log` as one block and empties `log`.
  virtual void AppendLogToFile(cOrkLog& log) = 0;
};
