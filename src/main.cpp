// Start-up of the application and its foreground loop.
#include "main.h"

#include "morva_eval.h"
#include "platform_ops.h"
#include "sercom.h"

int app_state;
int app_menu;
Record app_record;
Record app_limits;
int app_alarm;
int app_rec;
int app_data_index;
int graph_scale;
int lcd_status;
volatile std::uint32_t LocalTime;
int tmp;
char str[4];
int dummy;

constexpr std::uint32_t SAMPLE_PERIOD_MS = 500;

void UART_Init(void)
{
    ComPort_Init(COM1);
    ComPort_ConfigStdio(COM1, COM1, COM1);
}

void LED_Init(void)
{
    for (int led = LED1; led <= LED8; led++) {
        STM_EVAL_LEDInit(static_cast<Led_TypeDef>(led));
        STM_EVAL_LEDOff(static_cast<Led_TypeDef>(led));
    }
}

void Periph_init(void)
{
    UART_Init();
    LED_Init();
}

// One pass of the foreground loop. While recording, a sample is due every
// 500 ms of LocalTime; the unsigned difference keeps the spacing across the
// wrap of LocalTime.
void Application_Periodic_Handle(std::uint32_t localtime)
{
    static std::uint32_t APPTimer;

    if (localtime - APPTimer >= SAMPLE_PERIOD_MS && app_rec == 1) {
        tmp += 1;
        APPTimer = localtime;
    }
    if (tmp == 2) tmp = 0;
}

void Time_Update(void) { LocalTime = LocalTime + 10; }

int main(void)
{
    lcd_status = 1;
    app_record = Record{0, 0, 0, 0};
    app_data_index = 0;
    app_menu = 0;
    app_state = 0;
    app_alarm = 0;
    app_rec = 0;

    Periph_init();

    STM_EVAL_LEDOn(LED1);

    for (;;) {
        Application_Periodic_Handle(LocalTime);
        platform::idle();
    }
}
