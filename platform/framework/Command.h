#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace framework {

// The state of one command as its update rule set it, for a menu item, a button or a key.
class CCmdUI {
 public:
  explicit CCmdUI(int commandId) : id(commandId) {}

  void Enable(bool on = true) {
    enabled = on;
    enableSet = true;
  }
  void SetCheck(int check = 1) {  // 0 clear, 1 checked, 2 indeterminate
    checked = check;
    checkSet = true;
  }
  void SetText(std::string newText) { text = std::move(newText); }

  int id;
  bool enabled = false;
  int checked = 0;
  std::optional<std::string> text;  // set when the rule renames the item
  bool enableSet = false;           // whether the rule said; if not, a handler decides
  bool checkSet = false;            // whether the rule said; if not, a menu keeps its mark
};

// Something commands are routed to: handlers and update rules registered by command number.
// A later registration for a number replaces an earlier one.
class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  void OnCommand(int id, std::function<void()> handler);
  void OnCommandRange(int firstId, int lastId, std::function<void(int id)> handler);
  void OnUpdateCommandUI(int id, std::function<void(CCmdUI&)> rule);
  void OnUpdateCommandUIRange(int firstId, int lastId, std::function<void(CCmdUI&)> rule);

  bool HasCommandHandler(int id) const;
  bool HasUpdateRule(int id) const;
  // Both return false when there is nothing registered for the number.
  bool RunCommand(int id);
  bool RunUpdateRule(CCmdUI& state);

 private:
  struct Handler {
    int firstId, lastId;
    std::function<void(int)> run;
  };
  struct Rule {
    int firstId, lastId;
    std::function<void(CCmdUI&)> run;
  };
  const Handler* findHandler(int id) const;
  const Rule* findRule(int id) const;

  std::vector<Handler> handlers_;
  std::vector<Rule> rules_;
};

// Routes commands along a chain of targets, first to last (view, document, frame, application).
// Menus ask query() for each item as they open; menus, keys and buttons all go through
// dispatch(), so a disabled command does nothing from any of them.
class CommandRouter {
 public:
  CommandRouter() = default;
  explicit CommandRouter(std::vector<CCmdTarget*> chain) { setChain(std::move(chain)); }

  // The targets are not owned; null entries are skipped.
  void setChain(std::vector<CCmdTarget*> chain);
  const std::vector<CCmdTarget*>& chain() const { return chain_; }

  // The first target with an update rule decides; a rule that does not call Enable, or no rule
  // at all, leaves the command enabled exactly when some target handles it.
  CCmdUI query(int id) const;
  // Asks query() again and runs the first handler if the command is enabled now. Returns
  // whether a handler ran.
  bool dispatch(int id);

 private:
  std::vector<CCmdTarget*> chain_;
};

}  // namespace framework
