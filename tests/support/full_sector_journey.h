// The longest journey an operator can make: a recording that fills the
// result sector to its last pair (65,533 stored samples, one a second:
// 18 h 12 min 13 s), goes on past the capacity, is stopped and then sent
// whole in remote mode. The full-sector test checks each stage; the bench
// times the same steps. A step throws JourneyError when the board never
// does what it waits for, so neither can run on with a board gone astray.
#ifndef TESTS_SUPPORT_FULL_SECTOR_JOURNEY_H
#define TESTS_SUPPORT_FULL_SECTOR_JOURNEY_H

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "board/board.h"
#include "board/operator.h"
#include "main.h"
#include "record_layout.h"

namespace journey {

using namespace sim;

class JourneyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Tilt {
    int x;
    int y;
};

// Tilts whose readings the firmware turns into exactly these degrees: the
// readings 0, +-500, +-866 and +-1000 stand for 0, +-30, +-60 and +-90.
inline constexpr std::array<int, 6> kTiltsX = {-60, -30, 0, 30, 60, 90};
inline constexpr std::array<int, 4> kTiltsY = {-90, -30, 0, 30};

// The tilt that stored sample k sees. It changes from one stored sample to
// the next and the axes follow cycles of other lengths, so a pair stored one
// slot off, or with its two bytes swapped, shows.
inline Tilt full_sector_tilt(int k)
{
    const auto xs = static_cast<int>(kTiltsX.size()), ys = static_cast<int>(kTiltsY.size());
    return {kTiltsX[static_cast<std::size_t>((k + k / xs) % xs)],
            kTiltsY[static_cast<std::size_t>((3 * k + k / 97) % ys)]};
}

// Past the capacity the monitor still tilts, within the extremes so far.
inline constexpr Tilt kPastCapacityTilt = {-30, 30};

class FullSectorJourney {
public:
    explicit FullSectorJourney(Board& board) : board_(board), person_(board) {}

    // Power-on to the system menu in the foreground loop.
    void power_on()
    {
        if (!person_.power_on()) throw JourneyError("start-up did not reach its loop: " + board_.stop_reason());
    }

    // From the system menu with the pointer on NEW RECORD: OK, with the
    // first stored sample's tilt already set.
    void start_record()
    {
        tilt(full_sector_tilt(0));
        press(Button::Ok);
    }

    // Waits for every stored pair in turn and tilts the monitor for the
    // next one as soon as it is in (the unstored sample between two stored
    // ones sees the next one's tilt).
    void record_until_full()
    {
        for (int k = 0; k < SAMPLE_CAPACITY; ++k) {
            if (!board_.run_until([&] { return pair_stored(k); }, 5_s))
                throw JourneyError("stored sample " + std::to_string(k) + " did not reach flash within 5 s");
            if (k == 0) first_pair_time_ = LocalTime;
            last_pair_time_ = LocalTime;
            tilt(full_sector_tilt(k + 1));
        }
    }

    void record_past_capacity(Nanoseconds span)
    {
        tilt(kPastCapacityTilt);
        board_.run_for(span);
    }

    void stop_record() { press(Button::Ok); }

    // From the system menu: two detents up to REMOTE MODE, OK, and OK to
    // send. The console holds the report alone when this returns.
    void send_report()
    {
        person_.turn(2);
        press(Button::Ok);
        board_.clear_serial_output();
        press(Button::Ok);
    }

    // LocalTime when the first and the last stored pair were seen in flash.
    std::uint32_t first_pair_time() const { return first_pair_time_; }
    std::uint32_t last_pair_time() const { return last_pair_time_; }

private:
    void tilt(Tilt t)
    {
        board_.set_tilt(Axis::X, t.x);
        board_.set_tilt(Axis::Y, t.y);
    }

    // No stored value is -1 (0xFF), so a programmed Y byte shows that the pair is in.
    bool pair_stored(int k) const
    {
        return board_.flash_byte(SAMPLE_AREA + 2 * static_cast<std::uint32_t>(k) + 1) != 0xFF;
    }

    void press(Button button)
    {
        if (!person_.press(button))
            throw JourneyError("a button action ran for more than 400 s: " + board_.stop_reason());
    }

    Board& board_;
    Operator person_;
    std::uint32_t first_pair_time_ = 0;
    std::uint32_t last_pair_time_ = 0;
};

}  // namespace journey

#endif
