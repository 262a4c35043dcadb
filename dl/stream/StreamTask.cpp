#include "dl/stream/StreamTask.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <optional>

#include "dl/FileNaming.h"
#include "dl/FinalMove.h"
#include "dl/PartRecord.h"
#include "dl/RateLimiter.h"
#include "dl/StoppablePause.h"
#include "dl/stream/KeyCache.h"
#include "dl/stream/PieceFetcher.h"
#include "dl/stream/PiecePlan.h"
#include "dl/stream/Playlist.h"
#include "dl/stream/Remux.h"
#include "dl/stream/StreamRecord.h"
#include "dl/stream/VariantChoice.h"
#include "platform/DataFile.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace {

using Clock = std::chrono::steady_clock;
using End = FetchedResource::End;

constexpr auto kRecordEvery = std::chrono::milliseconds(500);
// A live recording starts this many segments before the newest, as
// players do, so that it starts with a whole segment.
constexpr size_t kLiveStartSegments = 3;

struct Track {
  std::string playlistUrl;
  MediaPlaylist playlist;
  std::vector<Piece> pieces;
  std::string partPath;
  platform::DataFile file;
  TrackProgress* progress = nullptr;
  int64_t lastSequence = -1;  // live: the newest segment written
};

RunOutcome Outcome(RunOutcome::End end) { return RunOutcome{end, FailureCause::None, Success, {}}; }

RunOutcome Failed(FailureCause cause, ResultCode code, std::string error) {
  return RunOutcome{RunOutcome::End::Failed, cause, code, std::move(error)};
}

RunOutcome FromFetch(const FetchedResource& fetched) {
  if (fetched.end == End::Stop) return Outcome(RunOutcome::End::Stopped);
  return Failed(fetched.cause, fetched.code, fetched.error);
}

std::string Stem(const std::string& name) {
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

class StreamJob {
 public:
  StreamJob(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
            const RetryPolicy& policy)
      : setup_(setup), host_(host), policy_(policy),
        context_{SpeedLimits{taskLimit, globalLimit}, [&host] { return host.StopRequested(); },
                 host.StallTimeoutSeconds() * 1000LL, &setup.headers} {}

  RunOutcome Run() {
    host_.Streaming(facts_);
    if (auto failed = ChooseTracks()) return *failed;
    if (auto failed = PrepareOutput()) return *failed;
    bool live = !video_.playlist.endList;
    for (Track* track : {&video_, &audio_}) {
      if (track->playlistUrl.empty()) continue;
      auto failed = FetchTrack(*track);
      // Pausing a recording ends it: what was recorded becomes the file.
      if (failed && !(live && failed->end == RunOutcome::End::Stopped)) return *failed;
    }
    if (live && !host_.StopRequested())
      if (auto failed = Record()) return *failed;
    return Finish(live);
  }

 private:
  // A resource fetched with the task's tries.
  FetchedResource FetchWithTries(const std::string& url, size_t cap, const std::string& capName) {
    for (int tries = 1;; ++tries) {
      FetchedResource fetched = FetchResource(url, ByteSpan{}, cap, capName, context_);
      if (fetched.end != End::Retry) return fetched;
      if (tries >= policy_.maxFailuresInRow) {
        fetched.end = End::Fail;
        fetched.error += " (gave up after " + std::to_string(tries) + " tries)";
        return fetched;
      }
      if (!PauseUnlessStopped(context_.stopped, policy_.firstPauseMs << std::min(tries - 1, 10))) {
        fetched.end = End::Stop;
        return fetched;
      }
    }
  }

  std::optional<RunOutcome> LoadPlaylist(const std::string& url, ParsedPlaylist& parsed, std::string& finalUrl) {
    PlaylistLimits limits;
    // One byte over the limit is enough to know it is broken.
    FetchedResource fetched =
        FetchWithTries(url, limits.maxBytes, "the playlist size limit of " + std::to_string(limits.maxBytes >> 20) + " MiB");
    if (fetched.end != End::Done) return FromFetch(fetched);
    Failure failure;
    if (!ParsePlaylist(fetched.body, fetched.finalUrl, parsed, failure, limits))
      return Failed(failure.cause, HttpTypeError, failure.message);
    finalUrl = fetched.finalUrl;
    return std::nullopt;
  }

  std::optional<RunOutcome> LoadMedia(Track& track) {
    ParsedPlaylist parsed;
    std::string finalUrl;
    if (auto failed = LoadPlaylist(track.playlistUrl, parsed, finalUrl)) return failed;
    if (parsed.master)
      return Failed(FailureCause::BadAnswer, HttpTypeError,
                    "a master playlist names another master playlist; only one level of master to media is allowed");
    track.playlist = std::move(parsed.media);
    return std::nullopt;
  }

  // A name given by the caller, unless it is the playlist's own (a window
  // that suggests the URL's name): the result is no playlist.
  bool FixedName() const {
    std::string lower = setup_.name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return !setup_.name.empty() && !lower.ends_with(".m3u8");
  }

  // The names an earlier run of this task may have written under.
  std::vector<std::string> EarlierNames() const {
    if (setup_.name.empty()) return {};
    if (FixedName()) return {setup_.name};
    return {Stem(setup_.name) + ".mp4", Stem(setup_.name) + ".ts"};
  }

  bool ResumeRecord() {
    for (const std::string& name : EarlierNames()) {
      std::string part = setup_.folder + "/" + name + ".part";
      std::string why;
      if (LoadStreamRecord(PartRecordPath(part), record_, why) && record_.source == setup_.url &&
          !record_.video.playlist.empty()) {
        name_ = name;
        return true;
      }
    }
    record_ = StreamRecord{};
    record_.source = setup_.url;
    return false;
  }

  std::optional<RunOutcome> ChooseTracks() {
    video_.progress = &record_.video;
    audio_.progress = &record_.audio;
    if (ResumeRecord()) {
      resumed_ = true;
      video_.playlistUrl = record_.video.playlist;
      audio_.playlistUrl = record_.audio.playlist;
      facts_.variant = record_.variant;
    } else {
      ParsedPlaylist first;
      std::string finalUrl;
      if (auto failed = LoadPlaylist(setup_.url, first, finalUrl)) return failed;
      if (!first.master) {
        video_.playlistUrl = finalUrl;
        video_.playlist = std::move(first.media);
      } else {
        std::string error;
        int chosen = ChooseVariant(first.masterList.variants, setup_.variant, error);
        if (chosen < 0) return Failed(FailureCause::BadInput, InitParamsError, error);
        const Variant& variant = first.masterList.variants[static_cast<size_t>(chosen)];
        video_.playlistUrl = variant.uri;
        facts_.variant = DescribeVariant(variant);
        audio_.playlistUrl = AudioRendition(first.masterList, variant);
      }
    }
    if (video_.playlist.segments.empty() && video_.playlist.maps.empty())
      if (auto failed = LoadMedia(video_)) return failed;
    if (!audio_.playlistUrl.empty())
      if (auto failed = LoadMedia(audio_)) return failed;
    for (const Track* track : {&video_, &audio_})
      if (!track->playlistUrl.empty() && track->playlist.endList && track->playlist.segments.empty())
        return Failed(FailureCause::BadAnswer, HttpTypeError, "the playlist " + track->playlistUrl + " lists no segments");
    record_.video.playlist = video_.playlistUrl;
    record_.audio.playlist = audio_.playlistUrl;
    record_.variant = facts_.variant;
    return std::nullopt;
  }

  static std::string AudioRendition(const MasterPlaylist& master, const Variant& variant) {
    if (variant.audioGroup.empty()) return {};
    const Rendition* chosen = nullptr;
    for (const auto& rendition : master.renditions) {
      if (rendition.type != "AUDIO" || rendition.groupId != variant.audioGroup || rendition.uri.empty()) continue;
      if (!chosen || (rendition.isDefault && !chosen->isDefault)) chosen = &rendition;
    }
    return chosen ? chosen->uri : std::string();
  }

  bool Fmp4() const { return !video_.playlist.maps.empty(); }

  void ChooseContainer() {
    ffmpeg_ = FindFfmpeg();
    bool audio = !audio_.playlistUrl.empty();
    if (Fmp4()) {
      container_ = "mp4";
      remux_ = audio && !ffmpeg_.empty();
      if (audio && ffmpeg_.empty())
        facts_.containerNote = "ffmpeg is not installed: the audio track is kept beside the video";
    } else if (setup_.container == "ts") {
      container_ = "ts";
    } else if (!ffmpeg_.empty()) {
      container_ = "mp4";
      remux_ = true;
    } else {
      container_ = "ts";
      facts_.containerNote = "ffmpeg is not installed: the stream is kept as MPEG-TS";
    }
    if (resumed_ && !record_.container.empty() && record_.container != container_ && !FixedName()) {
      // The name was chosen for the earlier container; the result keeps it.
      container_ = record_.container;
      remux_ = container_ == "mp4" && !Fmp4() && !ffmpeg_.empty();
    }
    record_.container = container_;
    facts_.container = container_;
  }

  std::string ProposedName() const {
    std::string fromUrl = setup_.name.empty() ? FileNameFromUrl(setup_.url) : setup_.name;
    std::string stem = fromUrl.empty() ? std::string() : Stem(SafeFileName(fromUrl));
    if (stem.empty()) stem = "stream";
    return SafeFileName(stem + "." + container_);
  }

  std::optional<RunOutcome> OpenTrack(Track& track, const std::string& path) {
    track.partPath = path;
    if (int error = track.file.Open(path))
      return Failed(FailureCause::Disk, OpenFileError, "cannot open " + path + ": " + platform::ErrorText(error));
    int64_t keep = resumed_ ? track.progress->bytes : 0;
    // A part shorter than its record cannot be trusted: start it over.
    if (track.file.Size() < keep || !resumed_) keep = 0, track.progress->pieces = 0;
    if (track.playlist.endList == false) track.progress->pieces = 0;  // live: the window has moved on
    track.progress->bytes = keep;
    if (int error = track.file.Truncate(keep))
      return Failed(FailureCause::Disk, OpenFileError, "cannot trim " + path + ": " + platform::ErrorText(error));
    track.pieces = PlanPieces(track.playlist);
    if (!track.playlist.endList) track.pieces = NewestPieces(track.playlist);
    if (track.progress->pieces > static_cast<int64_t>(track.pieces.size()))
      return Failed(FailureCause::ChangedFile, HttpTypeError,
                    "the playlist now has fewer segments than were fetched; the partial file is kept");
    return std::nullopt;
  }

  // Live: the newest segments, with the section the first of them needs.
  static std::vector<Piece> NewestPieces(const MediaPlaylist& playlist) {
    std::vector<Piece> all = PlanPieces(playlist);
    size_t segments = 0, from = all.size();
    while (from > 0 && segments < kLiveStartSegments) segments += !all[--from].init;
    std::vector<Piece> newest(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
    if (newest.empty() || newest.front().init) return newest;
    for (const auto& segment : playlist.segments) {
      if (segment.sequence != newest.front().sequence || segment.map < 0) continue;
      const InitSection& section = playlist.maps[static_cast<size_t>(segment.map)];
      newest.insert(newest.begin(), Piece{section.uri, section.span, section.key, segment.sequence, true, 0});
      break;
    }
    return newest;
  }

  std::optional<RunOutcome> PrepareOutput() {
    ChooseContainer();
    if (!resumed_) name_ = FixedName() ? setup_.name : host_.ClaimName(setup_.folder, ProposedName());
    host_.Named(name_, setup_.folder + "/" + name_);
    std::string part = setup_.folder + "/" + name_ + ".part";
    if (auto failed = OpenTrack(video_, part)) return failed;
    if (!audio_.playlistUrl.empty())
      if (auto failed = OpenTrack(audio_, AudioPartPath(part))) return failed;
    facts_.segmentsTotal = SegmentCount();
    facts_.segmentsDone = SegmentsAmong(video_.pieces, record_.video.pieces) +
                          SegmentsAmong(audio_.pieces, record_.audio.pieces);
    facts_.recording = !video_.playlist.endList;
    host_.Streaming(facts_);
    ReportProgress();
    if (int error = SaveRecord()) return Failed(FailureCause::Disk, OpenFileError, "cannot save the record: " + platform::ErrorText(error));
    return std::nullopt;
  }

  int64_t SegmentCount() const {
    return SegmentsAmong(video_.pieces, static_cast<int64_t>(video_.pieces.size())) +
           SegmentsAmong(audio_.pieces, static_cast<int64_t>(audio_.pieces.size()));
  }

  void ReportProgress() {
    int64_t done = record_.video.bytes + record_.audio.bytes;
    int64_t total = -1;
    if (video_.playlist.endList && facts_.segmentsDone > 0)
      total = facts_.segmentsDone >= facts_.segmentsTotal
                  ? done
                  : static_cast<int64_t>(std::llround(static_cast<double>(done) / facts_.segmentsDone *
                                                      facts_.segmentsTotal));
    host_.Progress(done, total);
  }

  // The data first, then the record that counts it.
  int SaveRecord() {
    for (Track* track : {&video_, &audio_})
      if (track->file.IsOpen())
        if (int error = track->file.Sync()) return error;
    lastSave_ = Clock::now();
    return SaveStreamRecord(PartRecordPath(video_.partPath), record_);
  }

  std::optional<RunOutcome> FetchTrack(Track& track) {
    PieceFetchSetup fetch{track.pieces, track.progress->pieces, std::max(setup_.connections, 1), context_, keys_,
                          policy_.maxFailuresInRow, policy_.firstPauseMs};
    int saveError = 0;
    auto write = [&](int64_t index, const std::string& bytes) {
      if (int error = track.file.WriteAt(track.progress->bytes, bytes.data(), bytes.size())) return error;
      track.progress->bytes += static_cast<int64_t>(bytes.size());
      track.progress->pieces = index + 1;
      const Piece& piece = track.pieces[static_cast<size_t>(index)];
      if (!piece.init) ++facts_.segmentsDone, track.lastSequence = piece.sequence;
      return 0;
    };
    auto idle = [&] {
      host_.Streaming(facts_);
      ReportProgress();
      if (Clock::now() - lastSave_ >= kRecordEvery && !saveError) saveError = SaveRecord();
    };
    PieceFetchOutcome outcome = FetchPieces(fetch, write, idle);
    int finalSave = SaveRecord();
    if (!saveError) saveError = finalSave;
    host_.Streaming(facts_);
    ReportProgress();
    if (outcome.end == End::Stop) return Outcome(RunOutcome::End::Stopped);
    if (outcome.end != End::Done) return Failed(outcome.cause, outcome.code, outcome.error);
    if (saveError)
      return Failed(FailureCause::Disk, OpenFileError, "cannot save the record: " + platform::ErrorText(saveError));
    return std::nullopt;
  }

  // Live: polls the playlist every target duration and fetches what is
  // new, until the task is paused or the playlist ends.
  std::optional<RunOutcome> Record() {
    for (;;) {
      int waitMs = static_cast<int>(std::clamp(video_.playlist.targetDuration, 1.0, 30.0) * 1000);
      if (!PauseUnlessStopped(context_.stopped, waitMs)) return std::nullopt;
      Track* tracks[] = {&video_, &audio_};
      for (Track* track : tracks) {
        if (track->playlistUrl.empty()) continue;
        if (auto failed = LoadMedia(*track)) {
          if (failed->end == RunOutcome::End::Stopped) return std::nullopt;
          return failed;
        }
        std::vector<Piece> fresh;
        for (const auto& piece : PlanPieces(track->playlist))
          if (!piece.init && piece.sequence > track->lastSequence) fresh.push_back(piece);
        track->pieces = std::move(fresh);
        track->progress->pieces = 0;
        facts_.segmentsTotal += static_cast<int64_t>(track->pieces.size());
        if (auto failed = FetchTrack(*track)) {
          if (failed->end == RunOutcome::End::Stopped) return std::nullopt;
          return failed;
        }
      }
      if (video_.playlist.endList) return std::nullopt;
    }
  }

  // The target name, claimed again when a file took it meanwhile.
  int MoveInPlace(const std::string& from) {
    int error = MoveToFinalName(host_, setup_.folder, name_, from);
    if (!error) host_.Named(name_, setup_.folder + "/" + name_);
    return error;
  }

  RunOutcome Finish(bool live) {
    for (Track* track : {&video_, &audio_}) track->file.Close();
    std::string record = PartRecordPath(video_.partPath);
    if (remux_) {
      std::string temporary = video_.partPath + ".mp4";
      RemuxJob job{{video_.partPath, Fmp4() ? "mp4" : "mpegts"}, {}, temporary};
      if (!audio_.partPath.empty()) job.audio = RemuxInput{audio_.partPath, AudioFormat()};
      // A recording that was paused is finished whatever the stop says.
      auto stop = live ? std::function<bool()>() : context_.stopped;
      RemuxResult result = Remux(ffmpeg_, job, stop);
      if (result.stopped) return Outcome(RunOutcome::End::Stopped);
      if (result.ok) {
        if (int error = MoveInPlace(temporary))
          return Failed(FailureCause::Disk, OpenFileError, "cannot rename " + temporary + ": " + platform::ErrorText(error));
        platform::RemoveFile(video_.partPath);
        if (!audio_.partPath.empty()) platform::RemoveFile(audio_.partPath);
        platform::RemoveFile(record);
        // The list shows what is on disk: the MP4, not the segments it came from.
        return Done(platform::FileSize(setup_.folder + "/" + name_));
      }
      facts_.containerNote = result.error + "; the stream is kept as it came";
      if (!Fmp4()) container_ = facts_.container = "ts";
      if (!FixedName() && !Fmp4()) name_ = host_.ClaimName(setup_.folder, Stem(name_) + ".ts");
    }
    if (int error = MoveInPlace(video_.partPath))
      return Failed(FailureCause::Disk, OpenFileError, "cannot rename " + video_.partPath + ": " + platform::ErrorText(error));
    if (!audio_.partPath.empty()) {
      std::string folder = setup_.folder;
      std::string audioName = UniqueFileName(SafeFileName(Stem(name_) + ".audio." + (AudioFormat() == "mp4" ? "mp4" : "ts")),
                                             [&](const std::string& n) { return platform::PathExists(folder + "/" + n); });
      if (int error = platform::MoveFileNoReplace(audio_.partPath, folder + "/" + audioName))
        return Failed(FailureCause::Disk, OpenFileError, "cannot rename " + audio_.partPath + ": " + platform::ErrorText(error));
    }
    platform::RemoveFile(record);
    return Done();
  }

  std::string AudioFormat() const { return audio_.playlist.maps.empty() ? "mpegts" : "mp4"; }

  RunOutcome Done(std::optional<uint64_t> fileSize = std::nullopt) {
    facts_.recording = false;
    host_.Streaming(facts_);
    int64_t size = fileSize ? static_cast<int64_t>(*fileSize) : record_.video.bytes + record_.audio.bytes;
    host_.Progress(size, size);
    return Outcome(RunOutcome::End::Done);
  }

  const TaskSetup& setup_;
  TaskHost& host_;
  const RetryPolicy& policy_;
  FetchContext context_;
  KeyCache keys_;
  StreamFacts facts_;
  StreamRecord record_;
  bool resumed_ = false;
  Track video_, audio_;
  std::string name_;
  std::string container_;
  std::string ffmpeg_;
  bool remux_ = false;
  Clock::time_point lastSave_{};
};

}  // namespace

RunOutcome RunStreamTask(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
                         const RetryPolicy& policy) {
  StreamJob job(setup, host, taskLimit, globalLimit, policy);
  return job.Run();
}
