<?php
// Hands back a picture stored by upload3.php, so the success link works.
$dir = getenv('PICTOVANE_UPLOAD_DIR');
$name = basename($_GET['name'] ?? '');
$path = $dir . '/' . $name;
if ($dir === false || $dir === '' || $name === '' || $name[0] === '.' || !is_file($path)) {
    http_response_code(404);
    exit;
}
header('Content-Type: application/octet-stream');
readfile($path);
