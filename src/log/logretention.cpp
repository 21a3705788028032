// log retention (Qt Core only)
