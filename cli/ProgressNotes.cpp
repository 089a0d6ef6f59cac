// Posting the host's notes to the progress window.
#include "ProgressNotes.h"

#include <memory>
#include <utility>

#include "Commands.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {

bool ProgressWanted(const CommandContext& c) {
    return c.flash != nullptr && c.flash->m_hNotifyWnd != nullptr;
}

void PostProgressNote(const CommandContext& c, ProgressNote note) {
    // Without a window the post would land in this thread's own queue, where
    // nothing reads it.
    if (!ProgressWanted(c)) return;
    auto owned = std::make_unique<ProgressNote>(std::move(note));
    if (PostMessageA(c.flash->m_hNotifyWnd, kProgressNoteMessage,
                     reinterpret_cast<WPARAM>(owned.get()), 0)) {
        owned.release();  // the pump deletes it
    }
}

void PlanProgress(const CommandContext& c, const std::string& operation, std::uint64_t bytes,
                  std::size_t files, bool by_files) {
    ProgressNote plan;
    plan.kind = ProgressNote::Kind::kPlan;
    plan.operation = operation;
    plan.bytes = bytes;
    plan.files = files;
    plan.by_files = by_files;
    PostProgressNote(c, std::move(plan));
}

void ItemProgress(const CommandContext& c, ProgressNote item) {
    item.kind = ProgressNote::Kind::kItem;
    if (c.flash != nullptr) {
        const CString& version = c.flash->m_nTargetType == TARGET_TYPE_CP
                                     ? c.flash->m_strFdiVersionCp
                                     : c.flash->m_strFdiVersionAp;
        item.write_header = std::string(static_cast<LPCSTR>(version)) == "FDI5" ? 4 : 8;
    }
    PostProgressNote(c, std::move(item));
}

void ItemDoneProgress(const CommandContext& c, bool finished, const std::uint64_t* bytes) {
    ProgressNote done;
    done.kind = ProgressNote::Kind::kItemDone;
    done.finished = finished;
    done.sized = bytes != nullptr;
    done.bytes = bytes != nullptr ? *bytes : 0;
    PostProgressNote(c, std::move(done));
}

void EndProgress(const CommandContext& c, bool finished) {
    ProgressNote end;
    end.kind = ProgressNote::Kind::kEnd;
    end.finished = finished;
    PostProgressNote(c, std::move(end));
}

}  // namespace quorvex::cli
