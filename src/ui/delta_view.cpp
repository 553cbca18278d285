#include "ui/delta_view.h"

#include "compare/always_restore.h"
#include "messages/messages.h"

namespace hollin::ui {

DeltaOutcome ShowDelta(const std::vector<ChangedItem>& changes, DeltaFlags& flags, IDeltaWindow& w) {
  w.SetSecondColumn(msg::kChangedColumn, 10);
  int latent = 0;
  for (const auto& item : changes) {
    if (!flags.ReviewTypes.empty() && !HoldsType(flags.ReviewTypes, item.ext)) continue;
    const bool isLatent = item.kind == ChangedItem::Kind::Latent;
    latent += isLatent ? 1 : 0;
    const std::string now = item.kind == ChangedItem::Kind::Removed      ? std::string(msg::kNoProgram)
                            : item.kind == ChangedItem::Kind::Unreadable ? msg::UnreadableRow()
                                                                         : item.opener;
    w.AddRow(msg::ListName(item.ext), now,
             IsLinkName(item.ext), isLatent);
  }
  // Said once: the check that recorded the links with the base.
  std::string guarded;
  if (flags.LinksNowGuarded) {
    guarded = std::string(" ") + msg::kLinksNowGuarded;
    flags.LinksNowGuarded = false;
  }

  // Latent changes are said after the status, and only they leave Accept on.
  if (latent > 0) guarded.append(" ").append(msg::LatentListed(latent));
  const int rows = w.RowCount() - latent;
  if (rows == 0 && flags.NewDBCreated) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (flags.HiddenStart) w.ShowMainWindow(false);
    w.SetInfo(msg::WelcomeText());
    w.SetStatus(Led::Grey, msg::kNewBaseRecorded);
    flags.NewDBCreated = false;
    return DeltaOutcome::Welcome;
  }
  if (rows == 0) {
    w.EnableAccept(latent > 0);
    flags.ChangesPending = false;
    if (flags.HiddenStart) w.QuietStartNoChanges();
    std::string prefix = msg::kNoChangesPrefix;
    if (flags.RestoreConfirmed) {
      prefix = flags.RestoreIncomplete ? msg::kNotAllRestoredPrefix : msg::kRestoredPrefix;
      flags.RestoreConfirmed = false;
    } else if (flags.BaseUpdated) {
      prefix = msg::kAcceptedPrefix;
      flags.BaseUpdated = false;
    }
    w.SetStatus(Led::Green, prefix + msg::kNoChanges + guarded);
    return DeltaOutcome::NoChanges;
  }
  if (flags.HiddenStart) w.ShowMainWindow(true);
  std::string prefix;
  if (flags.RestoreConfirmed) {
    prefix = flags.RestoreIncomplete ? msg::kNotAllRestoredPrefix : msg::kRestoredPrefix;
    flags.RestoreConfirmed = false;
  }
  w.SetStatus(Led::Red, prefix + msg::ChangedItems(rows) + guarded);
  flags.HiddenStart = false;
  flags.ChangesPending = true;
  w.EnableAccept(true);
  return DeltaOutcome::Changes;
}

}  // namespace hollin::ui
