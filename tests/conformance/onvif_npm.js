// The emulator's ONVIF devices as the npm package `onvif` sees them: its Discovery finds them
// all, its Cam reads with the right password, is refused with a wrong one, and changes an address.
'use strict';
const onvif = require('onvif');
const fs = require('fs');

const state = JSON.parse(fs.readFileSync(process.argv[2], 'utf8')).onvif;
const password = process.argv[3];
const fail = (why) => { console.error('onvif_npm: ' + why); process.exit(1); };

onvif.Discovery.on('error', () => {});  // other traffic on the group
onvif.Discovery.probe({timeout: 3000, device: 'lo'}, (err, cams) => {
    // A Cam keeps no endpoint reference; each emulated device has a port of its own.
    const found = new Set(cams.map((c) => c.hostname + ':' + c.port));
    for (const d of state) {
        if (!found.has(d.address + ':' + d.httpPort))
            fail('discovery did not find ' + d.endpoint + ' at ' + d.address + ':' + d.httpPort);
    }
    if (cams.length !== state.length)
        fail('discovery found ' + cams.length + ' devices, not ' + state.length);
    console.log('discovery found all ' + state.length + ' devices');
    // Device 1 keeps its clock two hours ahead: the client must use the device's time.
    const target = state[1];
    const cam = cams.find((c) => Number(c.port) === target.httpPort);
    new onvif.Cam({hostname: cam.hostname, port: cam.port, path: cam.path, username: 'admin', password: 'Wrong-pass-1'}, function (e) {
        if (e)
            fail('connect: ' + e);
        this.getDeviceInformation((wrongErr) => {
            if (!wrongErr)
                fail('a wrong password was accepted');
            console.log('wrong password refused: ' + wrongErr.message);
            right(cam, target);
        });
    });
});

function right(found, target) {
    new onvif.Cam({hostname: found.hostname, port: found.port, path: found.path, username: 'admin', password}, function (e) {
        if (e)
            fail('connect: ' + e);
        this.getDeviceInformation((e1, info) => {
            if (e1 || info.serialNumber !== target.serial)
                fail('device information: ' + (e1 || JSON.stringify(info)));
            this.getNetworkInterfaces((e2, interfaces) => {
                const ni = interfaces && interfaces[0];
                if (e2 || !ni || ni.info.hwAddress !== target.mac)
                    fail('network interfaces: ' + (e2 || JSON.stringify(interfaces)));
                console.log('read ' + info.serialNumber + ' ' + ni.info.hwAddress);
                this.setNetworkInterfaces({
                    interfaceToken: ni.$.token,
                    networkInterface: {enabled: true, IPv4: {enabled: true, manual: {address: '127.0.0.61', prefixLength: 8}, DHCP: false}},
                }, (e3, data) => {
                    if (e3)
                        fail('setNetworkInterfaces: ' + e3);
                    console.log('moved ' + target.endpoint + ' to 127.0.0.61, reboot needed: ' + data.rebootNeeded);
                    process.exit(0);
                });
            });
        });
    });
}
