// An asynchronous serial port with the chip's character timing: a holding
// register and a shift register on the transmit side, a one-character
// receive register with overrun on the other. Each word sent is handed to the
// line as it would carry it (8 or 9 bits, parity in place); what arrives is
// queued by the test.
#ifndef SIM_MODELS_USART_H
#define SIM_MODELS_USART_H

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/interrupt_line.h"
#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class Usart : public WordPeripheral {
public:
    static constexpr std::uint32_t kSize = 0x400u;

    // Register offsets.
    static constexpr std::uint32_t SR = 0x00, DR = 0x04, BRR = 0x08, CR1 = 0x0C, CR2 = 0x10, CR3 = 0x14, GTPR = 0x18;

    // SR bits.
    static constexpr std::uint32_t kParityError = 1u << 0, kFramingError = 1u << 1, kNoise = 1u << 2;
    static constexpr std::uint32_t kOverrun = 1u << 3, kIdle = 1u << 4, kRxNotEmpty = 1u << 5;
    static constexpr std::uint32_t kTxComplete = 1u << 6, kTxEmpty = 1u << 7;

    // CR1 interrupt enables of the modelled sources.
    static constexpr std::uint32_t kIdleInterrupt = 1u << 4, kRxInterrupt = 1u << 5;
    static constexpr std::uint32_t kTxCompleteInterrupt = 1u << 6, kTxEmptyInterrupt = 1u << 7;
    static constexpr std::uint32_t kParityInterrupt = 1u << 8;

    // A word as it left on the transmit line, stop bits done.
    using LineListener = std::function<void(std::uint16_t word)>;

    Usart(std::string name, VirtualClock& clock);

    // Drops whatever is in flight either way.
    void reset() override;

    const std::string& name() const { return name_; }
    // The bus clock the port runs from.
    void set_kernel_clock(std::uint32_t hz) { kernel_hz_ = hz; }
    void set_line_listener(LineListener listener) { line_listener_ = std::move(listener); }
    InterruptLine& interrupt() { return interrupt_; }
    void set_bus_clock(std::uint32_t hz) override { set_kernel_clock(hz); }
    InterruptLine* interrupt_line(std::size_t n) override { return n == 0 ? &interrupt_ : nullptr; }

    // Bytes arriving on the receive line back to back, one frame time apart,
    // at the port's current rate and format. The receiver must be on.
    void receive(const std::vector<std::uint8_t>& bytes);
    // Bytes that reached a receiver that had been switched off meanwhile.
    std::size_t receive_dropped() const { return receive_dropped_; }

    // Line rate from BRR and the kernel clock, 0 when it cannot run.
    double bit_rate() const;

    std::uint32_t peek(std::uint32_t offset) const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    struct Frame {
        std::uint16_t line_word;  // the data bits as they appear on the line
        Nanoseconds duration;
    };

    void write_data(std::uint16_t value);
    void start_shifting(Frame frame);
    void finish_frame();
    void land_received();
    void check_controls(std::uint32_t offset, std::uint32_t value) const;

    // Baud divider in kernel clock cycles per bit, or a reason why there is none.
    std::uint32_t divider(std::string* why_not) const;
    Nanoseconds frame_time(const char* purpose) const;
    std::uint16_t on_line(std::uint16_t data) const;
    void update_interrupt();
    std::string where(std::uint32_t offset) const;
    std::uint32_t register_value(std::uint32_t offset) const;

    std::string name_;
    VirtualClock& clock_;
    std::uint32_t kernel_hz_ = 16000000u;
    LineListener line_listener_;
    InterruptLine interrupt_;

    std::uint32_t sr_ = 0, brr_ = 0, cr1_ = 0, cr2_ = 0, cr3_ = 0, gtpr_ = 0;
    std::uint16_t rx_data_ = 0;
    std::uint32_t errors_seen_ = 0;  // error flags shown by an SR read, cleared by the next DR read
    bool complete_seen_ = false;     // TC shown by an SR read: the next DR write clears it

    std::optional<Frame> holding_;  // written to DR, waiting for the shifter
    std::optional<Frame> shifter_;  // on the line now
    Event tx_event_ = Event::of<&Usart::finish_frame>(this);

    std::deque<Frame> rx_queue_;
    Event rx_event_ = Event::of<&Usart::land_received>(this);
    std::size_t receive_dropped_ = 0;
};

}  // namespace sim

#endif
