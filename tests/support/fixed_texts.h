#pragma once

// The system's own texts that several tests compare against, typed once here from the
// converter's documentation rather than taken from the code under test.

#include "sim/converter.h"

namespace texts {

// Fault summary of the status byte's low four bits (input 1, input 2, output 1, output 2),
// as the monitoring page shows it; empty when there is no fault.
constexpr const char *fault_summary[16] = {
    "",
    "Есть Ошибка Входа 1",
    "Есть Ошибка Входа 2",
    "Есть Ошибки Входа 1 и Входа 2",
    "Есть Ошибка Выхода 1",
    "Есть Ошибки Входа 1 и Выхода 1",
    "Есть Ошибки Входа 2 и Выхода 1",
    "Есть Ошибки Входа 1, Выхода 1 и Входа 2",
    "Есть Ошибка Выхода 2",
    "Есть Ошибки Входа 1 и Выхода 2",
    "Есть Ошибки Входа 2 и Выхода 2",
    "Есть Ошибки Входа 1, Входа 2 и Выхода 2",
    "Есть Ошибки Выхода 1 и Выхода 2",
    "Есть Ошибки Входа 1, Выхода 1 и Выхода 2",
    "Есть Ошибки Выхода 1, Входа  2 и Выхода 2",
    "Есть Ошибки Входа 1, Выхода 1, Входа  2 и Выхода 2",
};
constexpr const char *no_faults_record = "Ошибок нет";

// The link line.
constexpr const char *diag_crc = "Ошибка CRC";
constexpr const char *diag_timeout = "Тайм-аут, ответа нет";
constexpr const char *diag_exception = "Неизвестная команда для устройства";
constexpr const char *diag_unexpected = "Не регламентированный ответ";

// The settings page's line above Старт.
constexpr const char *msg_not_found = "Ошибка. Преобразователь не найден. Проверьте подключение, "
                                      "настройки, номер COM порта и адрес Modbus преобразователя";
constexpr const char *msg_cannot_open = "Ошибка. Не удалось подключиться к порту";
constexpr const char *msg_stopped = "Выберите адрес преобразователя и нажмите Старт";
constexpr const char *search_hint = "Для поиска преобразователя нажмите \"Старт\"";

// Log records after the time prefix.
constexpr const char *log_timeout = "Тайм-аут, барьер не ответил \n";
constexpr const char *log_stop = "Опрос завершен";
constexpr const char *log_link_lost = "Опрос завершен по причине обрыва связи с ОРТЕ-473";
// The line before the closing records: 80 equals signs.
constexpr const char *log_separator = "============================================================"
                                      "====================\n";
static_assert(sizeof("============================================================"
                     "====================")
                  == 81,
              "80 equals signs");

// The simulator's default converter as the monitoring page shows it.
constexpr sim::converter_state sim_default {};
static_assert(sim_default.serial == 123456 && sim_default.model == 0, "default converter");
static_assert(sim_default.inputs[0].type == 0 && sim_default.inputs[0].whole == 23
                  && sim_default.inputs[0].milli == 450,
              "input 1: a resistance thermometer at 23.45");
static_assert(sim_default.inputs[1].type == 1 && sim_default.inputs[1].whole == 500
                  && sim_default.inputs[1].milli == 100
                  && sim_default.inputs[1].cold_junction == 235,
              "input 2: a thermocouple at 500.1 with its cold junction at 23.5");
constexpr const char *default_in1 = "Температура термосопротивления Вх. 1:   23.45 С";
constexpr const char *default_in2 = "Температура термопары Вх. 2:   500.1 С";
constexpr const char *default_cj2 = " Температура холодного спая термопары Вх. 2:   23.5 С";
constexpr const char *default_serial = "Заводской номер преобразователя  123456";

} // namespace texts
