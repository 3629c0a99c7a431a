<?php
// Reference upload server for the demo and the tests. Stores the posted
// picture in the folder named by PICTOVANE_UPLOAD_DIR and answers in the
// plain text the program reads: "success*<link>" or "error".
header('Content-Type: text/plain');

$fields = ['sms', 'file_name', 'image_name', 'carrier_index', 'phone_id', 'version', 'serial', 'file_size'];
$dir = getenv('PICTOVANE_UPLOAD_DIR');

foreach ($fields as $field) {
    if (!isset($_POST[$field])) {
        echo 'error';
        exit;
    }
}
$file = $_FILES['file_data'] ?? null;
if ($dir === false || $dir === '' || !is_dir($dir) || $file === null || $file['error'] !== UPLOAD_ERR_OK) {
    echo 'error';
    exit;
}

// Only a plain name: the client chooses it, and it must not leave the folder.
$name = preg_replace('/[^A-Za-z0-9._-]/', '_', basename($_POST['file_name']));
if ($name === '' || $name[0] === '.') {
    echo 'error';
    exit;
}
if (!move_uploaded_file($file['tmp_name'], $dir . '/' . $name)) {
    echo 'error';
    exit;
}

// What arrived, in the order PHP's parser read it, for whoever checks the upload.
$record = '';
foreach ($_POST as $key => $value) {
    $record .= $key . '=' . $value . "\n";
}
$record .= 'file_data=' . $file['name'] . ';' . $file['type'] . ';' . $file['size'] . "\n";
file_put_contents($dir . '/' . $name . '.fields', $record);

$host = $_SERVER['HTTP_HOST'] ?? 'localhost';
echo 'success*http://' . $host . '/wallpapers/stored.php?name=' . rawurlencode($name);
