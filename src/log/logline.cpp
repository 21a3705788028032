// log line format (Qt Core only)
