#pragma once

// The link line's texts: what an exchange that did not end with an expected reply shows.

namespace orte {

constexpr const char *diag_exception = "Неизвестная команда для устройства";
constexpr const char *diag_unexpected = "Не регламентированный ответ";
constexpr const char *diag_crc = "Ошибка CRC";
constexpr const char *diag_timeout = "Тайм-аут, ответа нет";

} // namespace orte
