#include "platform/framework/Command.h"

#include <algorithm>
#include <utility>

namespace framework {

void CCmdTarget::OnCommand(int id, std::function<void()> handler) {
  handlers_.push_back({id, id, [run = std::move(handler)](int) { run(); }});
}

void CCmdTarget::OnCommandRange(int firstId, int lastId, std::function<void(int)> handler) {
  handlers_.push_back({firstId, lastId, std::move(handler)});
}

void CCmdTarget::OnUpdateCommandUI(int id, std::function<void(CCmdUI&)> rule) {
  rules_.push_back({id, id, std::move(rule)});
}

void CCmdTarget::OnUpdateCommandUIRange(int firstId, int lastId,
                                        std::function<void(CCmdUI&)> rule) {
  rules_.push_back({firstId, lastId, std::move(rule)});
}

// Searched from the newest, so a later registration wins.
const CCmdTarget::Handler* CCmdTarget::findHandler(int id) const {
  const auto it = std::find_if(handlers_.rbegin(), handlers_.rend(), [id](const Handler& h) {
    return h.firstId <= id && id <= h.lastId;
  });
  return it == handlers_.rend() ? nullptr : &*it;
}

const CCmdTarget::Rule* CCmdTarget::findRule(int id) const {
  const auto it = std::find_if(rules_.rbegin(), rules_.rend(),
                               [id](const Rule& r) { return r.firstId <= id && id <= r.lastId; });
  return it == rules_.rend() ? nullptr : &*it;
}

bool CCmdTarget::HasCommandHandler(int id) const { return findHandler(id) != nullptr; }

bool CCmdTarget::HasUpdateRule(int id) const { return findRule(id) != nullptr; }

bool CCmdTarget::RunCommand(int id) {
  const Handler* handler = findHandler(id);
  if (handler == nullptr) return false;
  const std::function<void(int)> run = handler->run;  // the handler may register others
  run(id);
  return true;
}

bool CCmdTarget::RunUpdateRule(CCmdUI& state) {
  const Rule* rule = findRule(state.id);
  if (rule == nullptr) return false;
  const std::function<void(CCmdUI&)> run = rule->run;
  run(state);
  return true;
}

void CommandRouter::setChain(std::vector<CCmdTarget*> chain) {
  chain.erase(std::remove(chain.begin(), chain.end(), nullptr), chain.end());
  chain_ = std::move(chain);
}

CCmdUI CommandRouter::query(int id) const {
  CCmdUI state(id);
  for (CCmdTarget* target : chain_) {
    if (target->RunUpdateRule(state)) break;
  }
  if (!state.enableSet) {
    state.enabled = std::any_of(chain_.begin(), chain_.end(), [id](const CCmdTarget* target) {
      return target->HasCommandHandler(id);
    });
  }
  return state;
}

bool CommandRouter::dispatch(int id) {
  if (!query(id).enabled) return false;
  // A handler may change the chain (closing the document); walk the chain as it was.
  const std::vector<CCmdTarget*> chain = chain_;
  return std::any_of(chain.begin(), chain.end(),
                     [id](CCmdTarget* target) { return target->RunCommand(id); });
}

}  // namespace framework
